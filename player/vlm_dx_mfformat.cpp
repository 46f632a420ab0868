// Media Foundation source: media types, time stamps and the copy of decoded
// frames into the renderer's buffers, all without a graph.
#include "vlm_dx_mfsource.h"
#include <dshow.h>
#include <mfapi.h>
#include <stddef.h>
#include <string.h>

// I420 has no DirectShow name in the headers; its GUID is the FOURCC one.
static const GUID MediaSubtypeI420 = {0x30323449, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

int PixelFormatOfSubtype(const GUID& subtype)
{
    if (IsEqualGUID(subtype, MFVideoFormat_NV12)) return PixelNV12;
    if (IsEqualGUID(subtype, MFVideoFormat_YUY2)) return PixelYUY2;
    if (IsEqualGUID(subtype, MFVideoFormat_I420) || IsEqualGUID(subtype, MFVideoFormat_IYUV))
        return PixelI420;
    if (IsEqualGUID(subtype, MFVideoFormat_RGB32)) return PixelRGB32;
    return PixelNone;
}

const GUID& SubtypeOfPixelFormat(int pixel)
{
    switch (pixel) {
    case PixelNV12: return MFVideoFormat_NV12;
    case PixelYUY2: return MFVideoFormat_YUY2;
    case PixelI420: return MFVideoFormat_I420;
    default: return MFVideoFormat_RGB32;
    }
}

const GUID& MediaSubtypeOfPixelFormat(int pixel)
{
    switch (pixel) {
    case PixelNV12: return MEDIASUBTYPE_NV12;
    case PixelYUY2: return MEDIASUBTYPE_YUY2;
    case PixelI420: return MediaSubtypeI420;
    default: return MEDIASUBTYPE_RGB32;
    }
}

static int BitsPerPixel(int pixel)
{
    switch (pixel) {
    case PixelNV12: case PixelI420: return 12;
    case PixelYUY2: return 16;
    default: return 32;
    }
}

DWORD FrameBytes(int pixel, int width, int height)
{
    if (width <= 0 || height <= 0) return 0;
    if (pixel == PixelNV12 || pixel == PixelI420) {
        DWORD luma = (DWORD)width * (DWORD)height;
        return luma + 2 * (DWORD)((width + 1) / 2) * (DWORD)((height + 1) / 2);
    }
    return (DWORD)width * (DWORD)height * (DWORD)(BitsPerPixel(pixel) / 8);
}

void FillVideoInfo(int pixel, int width, int height, LONGLONG frameTime, VIDEOINFOHEADER* info)
{
    ZeroMemory(info, sizeof(*info));
    info->AvgTimePerFrame = frameTime;
    BITMAPINFOHEADER* header = &info->bmiHeader;
    header->biSize = sizeof(BITMAPINFOHEADER);
    header->biWidth = width;
    // Positive: an RGB frame is stored bottom-up, as GDI draws it.
    header->biHeight = height;
    header->biPlanes = 1;
    header->biBitCount = (WORD)BitsPerPixel(pixel);
    header->biCompression = pixel == PixelRGB32 ? BI_RGB : MediaSubtypeOfPixelFormat(pixel).Data1;
    header->biSizeImage = FrameBytes(pixel, width, height);
}

void FillPcmFormat(int channels, int samplesPerSec, int bitsPerSample, WAVEFORMATEX* format)
{
    ZeroMemory(format, sizeof(*format));
    format->wFormatTag = WAVE_FORMAT_PCM;
    format->nChannels = (WORD)channels;
    format->nSamplesPerSec = (DWORD)samplesPerSec;
    format->wBitsPerSample = (WORD)bitsPerSample;
    format->nBlockAlign = (WORD)(channels * ((bitsPerSample + 7) / 8));
    format->nAvgBytesPerSec = format->nSamplesPerSec * format->nBlockAlign;
}

LONGLONG PcmDuration(DWORD bytes, const WAVEFORMATEX* format)
{
    if (format->nBlockAlign == 0 || format->nSamplesPerSec == 0) return 0;
    LONGLONG frames = bytes / format->nBlockAlign;
    return frames * 10000000LL / (LONGLONG)format->nSamplesPerSec;
}

int PlaceSample(LONGLONG time, LONGLONG duration, LONGLONG segmentStart, LONGLONG segmentStop,
                LONGLONG* start, LONGLONG* end)
{
    if (time >= segmentStop) return SampleEnd;
    if (time + duration <= segmentStart) return SampleDrop;
    *start = time - segmentStart;
    *end = *start + duration;
    return SampleDeliver;
}

DWORD DecodedFrameBytes(const DecodedFrame* frame)
{
    DWORD pitch = (DWORD)frame->pitch, rows = (DWORD)frame->rows;
    switch (frame->pixel) {
    case PixelNV12: return pitch * rows + pitch * ((rows + 1) / 2);
    case PixelI420: return pitch * rows + 2 * (pitch / 2) * ((rows + 1) / 2);
    default: return pitch * rows;
    }
}

int PitchOfBuffer(int pixel, DWORD length, int rows, int statedPitch)
{
    if (rows <= 0) return statedPitch;
    DWORD units = pixel == PixelYUY2 ? (DWORD)rows : (DWORD)rows * 3;
    DWORD scaled = pixel == PixelYUY2 ? length : length * 2;
    if (scaled % units != 0) return statedPitch;
    int pitch = (int)(scaled / units);
    return pitch > statedPitch ? pitch : statedPitch;
}

namespace {

// The three planes of a frame: luma, then the chroma (NV12: one plane of
// U V pairs; I420: U then V; YUY2: all in the first).
struct Planes {
    const BYTE* y;
    const BYTE* u;
    const BYTE* v;
    int yPitch;
    int cPitch;
    int cStep;  // bytes from one chroma sample to the next in a row
};

Planes PlanesOf(const DecodedFrame* frame)
{
    Planes p;
    p.y = frame->data;
    p.yPitch = frame->pitch;
    const BYTE* chroma = frame->data + (size_t)frame->pitch * (size_t)frame->rows;
    switch (frame->pixel) {
    case PixelNV12:
        p.u = chroma;
        p.v = chroma + 1;
        p.cPitch = frame->pitch;
        p.cStep = 2;
        break;
    case PixelI420:
        p.u = chroma;
        p.v = chroma + (size_t)(frame->pitch / 2) * (size_t)((frame->rows + 1) / 2);
        p.cPitch = frame->pitch / 2;
        p.cStep = 1;
        break;
    default:  // YUY2: Y0 U Y1 V
        p.u = frame->data + 1;
        p.v = frame->data + 3;
        p.cPitch = frame->pitch;
        p.cStep = 4;
        break;
    }
    return p;
}

inline BYTE Clamp(int value)
{
    return (BYTE)(value < 0 ? 0 : value > 255 ? 255 : value);
}

void ToRgb32(const DecodedFrame* frame, BYTE* out, int outStride)
{
    Planes p = PlanesOf(frame);
    BOOL packed = frame->pixel == PixelYUY2;
    for (int row = 0; row < frame->height; row++) {
        // Bottom-up: the picture's first row is the buffer's last.
        BYTE* dst = out + (ptrdiff_t)(frame->height - 1 - row) * outStride;
        int chromaRow = packed ? row : row / 2;
        const BYTE* yRow = p.y + (size_t)row * (size_t)p.yPitch;
        const BYTE* uRow = p.u + (size_t)chromaRow * (size_t)p.cPitch;
        const BYTE* vRow = p.v + (size_t)chromaRow * (size_t)p.cPitch;
        for (int x = 0; x < frame->width; x++) {
            int c = (int)(packed ? yRow[x * 2] : yRow[x]) - 16;
            int d = (int)uRow[(x / 2) * p.cStep] - 128;
            int e = (int)vRow[(x / 2) * p.cStep] - 128;
            dst[0] = Clamp((298 * c + 516 * d + 128) >> 8);
            dst[1] = Clamp((298 * c - 100 * d - 208 * e + 128) >> 8);
            dst[2] = Clamp((298 * c + 409 * e + 128) >> 8);
            dst[3] = 0;
            dst += 4;
        }
    }
}

void CopyRows(const BYTE* src, int srcPitch, BYTE* dst, int dstPitch, int bytes, int rows)
{
    for (int row = 0; row < rows; row++)
        memcpy(dst + (size_t)row * (size_t)dstPitch, src + (size_t)row * (size_t)srcPitch, (size_t)bytes);
}

}  // namespace

int ConvertFrame(const DecodedFrame* frame, int outPixel, BYTE* out, int outStride)
{
    int w = frame->width, h = frame->height;
    if (outPixel == PixelRGB32) {
        ToRgb32(frame, out, outStride);
        return 1;
    }
    if (outPixel != frame->pixel) return 0;
    Planes p = PlanesOf(frame);
    int cw = (w + 1) / 2, ch = (h + 1) / 2;
    switch (outPixel) {
    case PixelYUY2:
        CopyRows(p.y, p.yPitch, out, outStride, w * 2, h);
        return 1;
    case PixelNV12:
        CopyRows(p.y, p.yPitch, out, outStride, w, h);
        CopyRows(p.u, p.cPitch, out + (size_t)outStride * (size_t)h, outStride, cw * 2, ch);
        return 1;
    case PixelI420: {
        BYTE* u = out + (size_t)outStride * (size_t)h;
        BYTE* v = u + (size_t)(outStride / 2) * (size_t)ch;
        CopyRows(p.y, p.yPitch, out, outStride, w, h);
        CopyRows(p.u, p.cPitch, u, outStride / 2, cw, ch);
        CopyRows(p.v, p.cPitch, v, outStride / 2, cw, ch);
        return 1;
    }
    }
    return 0;
}
