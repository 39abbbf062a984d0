// The acquisition engine: an action flow whose thread opens the camera (retrying every 500 ms),
// streams frames into a ring of four records, keeps the running mean of the last three frames in
// the live record, raises the new-frame flag, hands each fetched frame to the video writer while
// recording, and closes the camera when fewer than one frame a second arrive (the next step opens
// it again). It also holds the colour map and the records of an opened image, of video playback
// and of the alternate image, and the video writer and reader.
//
// Sharing rules:
// - m_bNewFrame, m_bRecording and m_bRecordFailed are touched only under m_lockFrame. A frame is
//   written to m_videoWriter while m_lockFrame is held, so clearing m_bRecording under the lock and
//   then closing the writer can never overlap a write.
// - m_lockRecords guards what is in the four shown records (m_frameLive, m_frameImage,
//   m_frameVideo, m_frameAlt): their samples, colour images, sizes and buffer pointers. The
//   capture writes each new mean into the live record under it, and replaces or first allocates
//   the live buffers under it; every colouring of one of these records and every reader that
//   needs a whole frame (a paint, a snapshot) holds it too. So one writer works at a time and a
//   reader never sees half of a mean or half of a colour image.
// - The live record's buffers stay where they are for the worker's whole life, across every loss
//   and reconnect of the camera. Only a camera whose stream has another frame size gets new
//   buffers; the old ones are kept until the worker is destroyed.
// - The ring, the sums and the whole-frame buffer are the worker thread's alone.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "acquisition/CVideoFile.h"
#include "acquisition/IrFrame.h"
#include "acquisition/RectShape.h"
#include "acquisition/ZelColorMap.h"
#include "foundation/CMyLock.h"
#include "foundation/CThreadActionFlow.h"

// Posted to the window of SetWndMsg (lParam 0) when a frame could not be written to the recording;
// a code of the worker notification beside those of CThreadActionFlow.h.
inline constexpr int NOTIFY_RECORD_FAILED = 6;

class CIRDataCapture : public CThreadActionFlow {
public:
    // The supported module's temperature half; the running mean is kept at this size.
    static constexpr int kSumWidth = 256;
    static constexpr int kSumRows = 192;
    static constexpr int kRingSize = 4;
    static constexpr int kAveraged = 3;

    CIRDataCapture();
    // Stops the worker and waits for its thread however long its current step takes: the thread
    // runs this object's body and must not outlive it.
    ~CIRDataCapture() override;

    // Fits the colour window to the frame (its minimum and maximum with the window offsets of the
    // colour mode), rebuilds the lookup table and colours the frame, under the colour map's lock.
    // A frame with no samples, a uniform one or one at 25000 raw or above is left alone.
    void ColorizeFrame(IrFrame* frame, const RectShapeList* rects);
    // ColorizeFrame's first half: the colour window fitted and the table rebuilt, under the colour
    // map's lock; false (nothing changed) for a frame that is left alone.
    bool FitColorWindow(const IrFrame* frame);

    // One averaging step of the capture: adds the slot's samples to the running sums (taking out
    // those of the frame three fetches back once three are held) and stores the mean in the live
    // record, with the slot's stamp as m_liveStamp, under m_lockRecords. The slot is
    // m_ring[m_nRingIndex].
    void AverageFrame(const IrFrame& slot, const frame_stamp_t& stamp = {});
    // What the worker does with a fetched frame in m_ring[m_nRingIndex]: averages it, moves the
    // ring on and publishes it (PublishFrame).
    void AcceptFrame(const frame_stamp_t& stamp = {});
    // Raises the new-frame flag and, while recording, writes the slot's own samples; a slot of
    // another size than the writer's frames is not written. A failed write ends the recording:
    // m_bRecording drops to 0, m_bRecordFailed rises and NOTIFY_RECORD_FAILED is posted. Then sets
    // m_evNewFrame.
    void PublishFrame(const IrFrame& slot);
    // A deep copy of the live record as it stands between two means (ircam_frame_copy's result).
    int CopyLiveFrame(IrFrame* target);

    std::atomic<int> m_nColorMode{0};
    ZelColorMap m_colorMap;
    // Colour-window offsets in raw units, {low, high}: [0] for colour mode 0, [1] for the others.
    std::int16_t m_winOffset[2][2] = {{-128, 0}, {-128, 64}};
    int m_bNewFrame = 0;
    IrFrame m_frameLive;
    IrFrame m_frameImage;
    IrFrame m_frameVideo;
    IrFrame m_frameAlt;
    int m_nRingIndex = 0;
    IrFrame m_ring[kRingSize];
    std::int32_t m_sum[kSumRows][kSumWidth] = {};
    int m_nSumCount = 0;
    int m_bRecording = 0;
    // Set when a write to the recording failed; the owner clears it when it starts a recording.
    int m_bRecordFailed = 0;
    CMyLock m_lockFrame;
    CMyLock m_lockRecords;
    // Which camera frame the live record's mean ends with and when it came (zero before the
    // first); under m_lockRecords.
    frame_stamp_t m_liveStamp{};
    // Set after each raise of the new-frame flag (auto-reset), so that the display worker can
    // wake for a frame instead of finding it at its next look.
    CEvent m_evNewFrame;
    CVideoFile m_videoWriter;
    CVideoFile m_videoReader;

protected:
    DWORD Action() override;
    void End(DWORD nCode) override;

private:
    // True when the stop event is signalled within ms.
    bool StopRequested(DWORD ms);
    // ircam_open into a request of its own, handed to the live record only when it succeeded.
    int OpenDevice();
    void OpenCamera();
    // Gives the live record buffers for the opened stream, keeping the ones it has when they fit.
    void PrepareLiveRecord();
    // Stops the stream and closes the camera; the live record keeps its halves.
    void CloseCamera();
    // Writes the slot's own samples to the video writer (under m_lockFrame, while recording).
    void RecordFrame(const IrFrame& slot);

    std::vector<IrFrame> m_retired;  // live buffers of an earlier frame size, freed at destruction
};
