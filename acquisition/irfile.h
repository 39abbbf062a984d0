// The snapshot file (.ir): a frame record's two halves with their info blocks, little-endian, no
// magic number: the temperature info block (32 bytes), the samples, the image info block (32
// bytes), the image half. The block sizes follow only from words [0] and [1] of the info blocks.
#pragma once

#include "acquisition/IrFrame.h"

// A half may be empty (0 rows or 0 columns); a side above 16384 or below 0 is refused by both
// functions, so that every file written is read back.
//
// 0 when all four blocks were written, -1 otherwise (what was written stays on disk). A record
// whose info blocks ask for more than its buffers hold, or are refused, is not written.
int irfile_write(IrFrame* frame, const char* fileName);
// Releases the record's buffers, then loads the file, which it opens for reading and writing, or
// only for reading where writing is not permitted: 0, or -1 for a file that cannot be opened or
// is not exactly a snapshot (damaged, truncated, empty, foreign), and then the record is empty.
// frame_buf goes with the other buffers; param is left alone.
int irfile_read(IrFrame* frame, const char* fileName);
