#include "acquisition/CVideoFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
}

namespace {

std::FILE* g_description = nullptr;  // null: standard output
std::FILE* g_failures = nullptr;     // null: standard error

std::FILE* Description()
{
    return g_description ? g_description : stdout;
}

std::FILE* Failures()
{
    return g_failures ? g_failures : stderr;
}

// A video is one file: the reader reaches nothing that a container names (a list's or a
// playlist's parts), which could be anything anywhere and could block. No protocol has this name.
constexpr char kNoProtocol[] = "none";

}  // namespace

void CVideoFile::SetReaderStreams(std::FILE* description, std::FILE* failures)
{
    g_description = description;
    g_failures = failures;
}

CVideoFile::~CVideoFile()
{
    CloseInput();
    ReleaseOutput();
}

bool CVideoFile::IsOutput() const
{
    return m_pFormatCtx && m_pFormatCtx->oformat && !m_pFormatCtx->iformat;
}

bool CVideoFile::IsInput() const
{
    return m_pFormatCtx && m_pFormatCtx->iformat;
}

void CVideoFile::ReleaseOutput()
{
    if (IsInput())
        return;
    avcodec_free_context(&m_pCodecCtx);
    m_output.Close();
    if (m_pFormatCtx) {
        m_pFormatCtx->pb = nullptr;
        avformat_free_context(m_pFormatCtx);
        m_pFormatCtx = nullptr;
    }
}

int CVideoFile::OpenOutput(const char* fileName, int width, int height)
{
    if (m_pFormatCtx || m_pCodecCtx)
        return AVERROR(EBUSY);
    avformat_alloc_output_context2(&m_pFormatCtx, nullptr, nullptr, fileName);
    if (!m_pFormatCtx) {
        av_log(nullptr, AV_LOG_ERROR, "Could not create output context\n");
        return AVERROR_UNKNOWN;
    }
    AVStream* stream = avformat_new_stream(m_pFormatCtx, nullptr);
    if (!stream) {
        av_log(nullptr, AV_LOG_ERROR, "Failed allocating output stream\n");
        ReleaseOutput();
        return AVERROR_UNKNOWN;
    }
    const AVCodec* encoder = avcodec_find_encoder(AV_CODEC_ID_RAWVIDEO);
    if (!encoder) {
        av_log(nullptr, AV_LOG_FATAL, "Necessary encoder not found\n");
        ReleaseOutput();
        return AVERROR_INVALIDDATA;
    }
    m_pCodecCtx = avcodec_alloc_context3(encoder);
    if (!m_pCodecCtx) {
        av_log(nullptr, AV_LOG_FATAL, "Failed to allocate the encoder context\n");
        ReleaseOutput();
        return AVERROR(ENOMEM);
    }
    m_pCodecCtx->height = height;
    m_pCodecCtx->width = width;
    m_pCodecCtx->sample_aspect_ratio = AVRational{0, 1};
    m_pCodecCtx->pix_fmt = AV_PIX_FMT_YUYV422;
    m_pCodecCtx->time_base = AVRational{1, 25};
    int ret = avcodec_open2(m_pCodecCtx, encoder, nullptr);
    if (ret < 0) {
        av_log(nullptr, AV_LOG_ERROR, "Cannot open video encoder for stream #%u\n", stream->index);
        ReleaseOutput();
        return ret;
    }
    ret = avcodec_parameters_from_context(stream->codecpar, m_pCodecCtx);
    if (ret < 0) {
        av_log(nullptr, AV_LOG_ERROR, "Failed to copy encoder parameters to output stream #%u\n", stream->index);
        ReleaseOutput();
        return ret;
    }
    stream->time_base = m_pCodecCtx->time_base;
    av_dump_format(m_pFormatCtx, 0, fileName, 1);
    if (!(m_pFormatCtx->oformat->flags & AVFMT_NOFILE)) {
        ret = m_output.Open(fileName);
        if (ret < 0) {
            av_log(nullptr, AV_LOG_ERROR, "Could not open output file '%s'", fileName);
            ReleaseOutput();
            return ret;
        }
        m_pFormatCtx->pb = m_output.Io();
        m_pFormatCtx->flags |= AVFMT_FLAG_CUSTOM_IO;
    }
    m_nPacketsWritten = 0;
    ret = avformat_write_header(m_pFormatCtx, nullptr);
    if (ret >= 0)
        ret = ReserveRoom(0);
    if (ret < 0) {
        av_log(nullptr, AV_LOG_ERROR, "Error occurred when opening output file\n");
        ReleaseOutput();
        return ret;
    }
    return 0;
}

int CVideoFile::WriteFrame(const void* samples)
{
    if (!IsOutput() || !m_pCodecCtx || !samples)
        return AVERROR(EINVAL);
    AVFrame* frame = av_frame_alloc();
    if (!frame)
        return AVERROR(ENOMEM);
    frame->format = m_pCodecCtx->pix_fmt;
    frame->width = m_pCodecCtx->width;
    frame->height = m_pCodecCtx->height;
    frame->pict_type = AV_PICTURE_TYPE_NONE;
    // Alignment 1: one plane of exactly width x 2 bytes a row, as the samples lie.
    int ret = av_frame_get_buffer(frame, 1);
    if (ret < 0) {
        av_frame_free(&frame);
        return ret;
    }
    std::memcpy(frame->data[0], samples, static_cast<std::size_t>(frame->linesize[0]) * frame->height);
    return EncodeFrame(frame, nullptr);
}

int CVideoFile::EncodeFrame(AVFrame* frame, int* gotPacket)
{
    int localGot = 0;
    int* got = gotPacket ? gotPacket : &localGot;
    *got = 0;
    if (!IsOutput() || !m_pCodecCtx) {
        av_frame_free(&frame);
        return AVERROR(EINVAL);
    }
    av_log(nullptr, AV_LOG_INFO, "Encoding frame\n");
    int ret = avcodec_send_frame(m_pCodecCtx, frame);
    av_frame_free(&frame);
    if (ret < 0)
        return ret;
    AVPacket* packet = av_packet_alloc();
    if (!packet)
        return AVERROR(ENOMEM);
    for (;;) {
        ret = avcodec_receive_packet(m_pCodecCtx, packet);
        if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF) {
            ret = 0;
            break;
        }
        if (ret < 0)
            break;
        *got = 1;
        ret = ReserveRoom(packet->size);
        if (ret < 0) {
            av_packet_unref(packet);
            break;
        }
        av_log(nullptr, AV_LOG_DEBUG, "Muxing frame\n");
        StampPacket(packet);
        ret = av_write_frame(m_pFormatCtx, packet);
        av_packet_unref(packet);
        if (ret < 0)
            break;
    }
    av_packet_free(&packet);
    return ret;
}

void CVideoFile::StampPacket(AVPacket* packet)
{
    packet->pts = packet->dts = m_nPacketsWritten++;
    av_packet_rescale_ts(packet, m_pCodecCtx->time_base, m_pFormatCtx->streams[0]->time_base);
}

namespace {

// Room kept past each muxed packet for what the muxer writes later: a chunk header and padding
// for the packet itself, and for the file's end a fixed part and so much a frame (an AVI's index
// takes 16 bytes a frame; when its first list passes a gigabyte another 8 a frame go to that
// list's own index, beside the next list's header).
constexpr std::int64_t kPacketOverhead = 64;
constexpr std::int64_t kEndBytes = 4096;
constexpr std::int64_t kEndBytesPerFrame = 32;

}  // namespace

int CVideoFile::ReserveRoom(std::int64_t packetBytes)
{
    if (!m_pFormatCtx->pb)
        return 0;
    const std::int64_t packets = m_nPacketsWritten + (packetBytes > 0 ? 1 : 0);
    const std::int64_t packetRoom = packetBytes > 0 ? packetBytes + kPacketOverhead : 0;
    return m_output.Reserve(avio_tell(m_pFormatCtx->pb) + packetRoom + kEndBytes + packets * kEndBytesPerFrame);
}

int CVideoFile::CloseOutput()
{
    if (!IsOutput()) {
        ReleaseOutput();
        return 0;
    }
    int got = 0;
    do {
        av_log(nullptr, AV_LOG_INFO, "Flushing stream  encoder\n");
        if (EncodeFrame(nullptr, &got) < 0)
            break;
    } while (got);
    int ret = av_write_trailer(m_pFormatCtx);
    // A failed write shows first in the I/O context; report it, the blocks written stay readable.
    const int closed = m_output.Close();
    if (ret >= 0 && closed < 0)
        ret = closed;
    ReleaseOutput();
    return ret < 0 ? ret : 0;
}

int CVideoFile::OpenInput(const char* fileName)
{
    if (IsOutput())
        return -1;  // this object is a writer until CloseOutput
    CloseInput();
    int ret = m_input.Open(fileName);
    m_pFormatCtx = ret == 0 ? avformat_alloc_context() : nullptr;
    if (!m_pFormatCtx) {
        std::fprintf(Failures(), "fail to open, return value: %d\n", ret < 0 ? ret : AVERROR(ENOMEM));
        m_input.Close();
        return -1;
    }
    m_pFormatCtx->pb = m_input.Io();
    m_pFormatCtx->protocol_whitelist = av_strdup(kNoProtocol);
    ret = avformat_open_input(&m_pFormatCtx, fileName, nullptr, nullptr);
    if (ret != 0) {
        std::fprintf(Failures(), "fail to open, return value: %d\n", ret);
        m_pFormatCtx = nullptr;  // freed by the failed open
        m_input.Close();
        return -1;
    }
    ret = avformat_find_stream_info(m_pFormatCtx, nullptr);
    if (ret < 0) {
        std::fprintf(Failures(), "fail to get stream information: %d\n", ret);
        CloseInput();
        return -1;
    }
    m_nVideoStream = -1;
    for (unsigned i = 0; i < m_pFormatCtx->nb_streams; ++i) {
        const AVCodecParameters* par = m_pFormatCtx->streams[i]->codecpar;
        if (par->codec_type == AVMEDIA_TYPE_VIDEO) {
            m_nVideoStream = static_cast<int>(i);
            std::fprintf(Description(), "type of the encoded data: %d, dimensions of the video frame in pixels: width: %d, "
                        "height: %d, pixel format: %d\n",
                        par->codec_id, par->width, par->height, par->format);
        }
    }
    if (m_nVideoStream < 0) {
        std::fprintf(Failures(), "no video stream\n");
        CloseInput();
        return -1;
    }
    const AVCodecParameters* par = m_pFormatCtx->streams[m_nVideoStream]->codecpar;
    const AVCodec* decoder = avcodec_find_decoder(par->codec_id);
    if (!decoder) {
        std::fprintf(Failures(), "fail to avcodec_find_decoder\n");
        CloseInput();
        return -1;
    }
    m_pCodecCtx = avcodec_alloc_context3(decoder);
    if (!m_pCodecCtx) {
        std::fprintf(Failures(), "fail to avcodec_alloc_context3\n");
        CloseInput();
        return -1;
    }
    m_pCodecCtx->pix_fmt = static_cast<AVPixelFormat>(par->format);
    m_pCodecCtx->height = par->height;
    m_pCodecCtx->width = par->width;
    m_pCodecCtx->thread_count = 16;
    ret = avcodec_open2(m_pCodecCtx, decoder, nullptr);
    if (ret != 0) {
        std::fprintf(Failures(), "fail to avcodec_open2: %d\n", ret);
        CloseInput();
        return -1;
    }
    return 0;
}

int CVideoFile::ReadFrame(void* out, std::size_t outBytes)
{
    if (!IsInput() || !m_pCodecCtx || m_nVideoStream < 0 || !out)
        return AVERROR(EINVAL);
    AVPacket* packet = av_packet_alloc();
    if (!packet)
        return AVERROR(ENOMEM);
    int ret = av_read_frame(m_pFormatCtx, packet);
    if (ret < 0) {
        av_packet_free(&packet);
        return ret;
    }
    if (packet->stream_index != m_nVideoStream) {
        av_packet_free(&packet);
        return 0;
    }
    ret = avcodec_send_packet(m_pCodecCtx, packet);
    av_packet_free(&packet);
    if (ret < 0)
        return ret;
    AVFrame* frame = av_frame_alloc();
    if (!frame)
        return AVERROR(ENOMEM);
    ret = avcodec_receive_frame(m_pCodecCtx, frame);
    if (ret == 0) {
        // Only a frame that is exactly the caller's record is copied: a video of another size
        // or pixel layout would be misread or written past the record.
        const std::size_t rowBytes = static_cast<std::size_t>(frame->width) * 2;
        if (frame->format != AV_PIX_FMT_YUYV422 || frame->width <= 0 || frame->height <= 0 ||
            rowBytes * static_cast<std::size_t>(frame->height) != outBytes || !frame->data[0] ||
            frame->linesize[0] < static_cast<int>(rowBytes)) {
            ret = AVERROR_INVALIDDATA;
        } else {
            auto* dst = static_cast<unsigned char*>(out);
            for (int y = 0; y < frame->height; ++y)
                std::memcpy(dst + rowBytes * y, frame->data[0] + static_cast<std::size_t>(frame->linesize[0]) * y,
                            rowBytes);
        }
    }
    av_frame_free(&frame);
    return ret;
}

int CVideoFile::CloseInput()
{
    if (IsOutput())
        return 0;
    avcodec_free_context(&m_pCodecCtx);
    if (m_pFormatCtx)
        avformat_close_input(&m_pFormatCtx);
    m_input.Close();
    m_nVideoStream = -1;
    return 0;
}

int CVideoFile::GetWidth() const
{
    return m_pCodecCtx ? m_pCodecCtx->width : 0;
}

int CVideoFile::GetHeight() const
{
    return m_pCodecCtx ? m_pCodecCtx->height : 0;
}
