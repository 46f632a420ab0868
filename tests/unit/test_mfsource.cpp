// The Media Foundation source's arithmetic: media types, sample placement in
// a segment, PCM time and the copy of decoded frames for the renderer.
#include <gtest/gtest.h>
#include <dshow.h>
#include <mfapi.h>
#include <vector>
#include "vlm_dx_mfsource.h"

namespace {

TEST(MfSourceTypes, SubtypesMapBothWays)
{
    struct Case {
        const GUID* subtype;
        int pixel;
    } cases[] = {{&MFVideoFormat_NV12, PixelNV12}, {&MFVideoFormat_YUY2, PixelYUY2},
                 {&MFVideoFormat_I420, PixelI420}, {&MFVideoFormat_IYUV, PixelI420},
                 {&MFVideoFormat_RGB32, PixelRGB32}, {&MFVideoFormat_H264, PixelNone}};
    for (const Case& c : cases) {
        EXPECT_EQ(PixelFormatOfSubtype(*c.subtype), c.pixel);
        if (c.pixel != PixelNone && c.pixel != PixelRGB32 && c.subtype != &MFVideoFormat_IYUV)
            EXPECT_TRUE(IsEqualGUID(SubtypeOfPixelFormat(c.pixel), *c.subtype));
    }
}

TEST(MfSourceTypes, VideoInfoOfEachLayout)
{
    struct Case {
        int pixel, width, height;
        const GUID* subtype;
        WORD bits;
        DWORD compression, image;
    } cases[] = {
        {PixelNV12, 640, 480, &MEDIASUBTYPE_NV12, 12, MAKEFOURCC('N', 'V', '1', '2'), 460800},
        {PixelYUY2, 640, 480, &MEDIASUBTYPE_YUY2, 16, MAKEFOURCC('Y', 'U', 'Y', '2'), 614400},
        {PixelI420, 320, 240, NULL, 12, MAKEFOURCC('I', '4', '2', '0'), 115200},
        {PixelRGB32, 320, 180, &MEDIASUBTYPE_RGB32, 32, BI_RGB, 230400},
    };
    for (const Case& c : cases) {
        VIDEOINFOHEADER info;
        FillVideoInfo(c.pixel, c.width, c.height, 400000, &info);
        EXPECT_EQ(info.bmiHeader.biWidth, c.width);
        EXPECT_EQ(info.bmiHeader.biHeight, c.height);  // RGB bottom-up
        EXPECT_EQ(info.bmiHeader.biBitCount, c.bits);
        EXPECT_EQ(info.bmiHeader.biCompression, c.compression);
        EXPECT_EQ(info.bmiHeader.biSizeImage, c.image);
        EXPECT_EQ(info.AvgTimePerFrame, 400000);
        if (c.subtype) EXPECT_TRUE(IsEqualGUID(MediaSubtypeOfPixelFormat(c.pixel), *c.subtype));
        else EXPECT_EQ(MediaSubtypeOfPixelFormat(c.pixel).Data1, c.compression);
    }
}

TEST(MfSourceTime, PcmFormatAndDuration)
{
    WAVEFORMATEX wave;
    FillPcmFormat(2, 48000, 16, &wave);
    EXPECT_EQ(wave.wFormatTag, WAVE_FORMAT_PCM);
    EXPECT_EQ(wave.nBlockAlign, 4);
    EXPECT_EQ(wave.nAvgBytesPerSec, 192000u);
    struct Case {
        DWORD bytes;
        LONGLONG duration;
    } cases[] = {{192000, 10000000}, {4096, 213333}, {3, 0}, {0, 0}};
    for (const Case& c : cases) EXPECT_EQ(PcmDuration(c.bytes, &wave), c.duration) << c.bytes;
    FillPcmFormat(1, 44100, 16, &wave);
    EXPECT_EQ(PcmDuration(88200, &wave), 10000000);
}

TEST(MfSourceTime, SamplesPlacedInTheSegment)
{
    const LONGLONG s = 10000000;
    struct Case {
        const char* what;
        LONGLONG time, duration, segStart, segStop;
        int result;
        LONGLONG start, end;
    } cases[] = {
        {"first frame of the file", 0, 400000, 0, 20 * s, SampleDeliver, 0, 400000},
        {"after a seek, relative to the target", 6 * s, 400000, 5 * s, 20 * s, SampleDeliver, s, s + 400000},
        {"key frame before the target is dropped", 4 * s, 400000, 5 * s, 20 * s, SampleDrop, 0, 0},
        {"a frame ending at the target is dropped", 5 * s - 400000, 400000, 5 * s, 20 * s, SampleDrop, 0, 0},
        {"a frame over the target is shown early", 5 * s - 200000, 400000, 5 * s, 20 * s, SampleDeliver,
         -200000, 200000},
        {"at the stop the stream ends", 20 * s, 400000, 0, 20 * s, SampleEnd, 0, 0},
        {"past a program entry's end", 12 * s, 400000, 2 * s, 8 * s, SampleEnd, 0, 0},
    };
    for (const Case& c : cases) {
        LONGLONG start = 0, end = 0;
        EXPECT_EQ(PlaceSample(c.time, c.duration, c.segStart, c.segStop, &start, &end), c.result) << c.what;
        if (c.result == SampleDeliver) {
            EXPECT_EQ(start, c.start) << c.what;
            EXPECT_EQ(end, c.end) << c.what;
        }
    }
}

// A 4x2 picture in a buffer of pitch 8 and 4 coded rows (padding filled
// with 0xEE, which must never reach the output): left half one colour,
// right half another.
struct Colour {
    BYTE y, u, v;
    BYTE b, g, r;  // BT.601 video range
};
const Colour kRed = {81, 90, 240, 0, 0, 255};
const Colour kWhite = {235, 128, 128, 255, 255, 255};
const Colour kBlue = {41, 240, 110, 255, 0, 0};

std::vector<BYTE> Decoded(int pixel, const Colour& left, const Colour& right)
{
    const int pitch = 8, rows = 4;
    std::vector<BYTE> data(pitch * rows * 2, 0xEE);
    for (int row = 0; row < 2; row++) {
        for (int x = 0; x < 4; x++) {
            const Colour& c = x < 2 ? left : right;
            if (pixel == PixelYUY2) {
                data[row * pitch + x * 2] = c.y;
                data[row * pitch + x * 2 + 1] = x % 2 == 0 ? c.u : c.v;
            } else {
                data[row * pitch + x] = c.y;
            }
        }
    }
    BYTE* chroma = data.data() + pitch * rows;
    for (int x = 0; x < 2; x++) {
        const Colour& c = x == 0 ? left : right;
        if (pixel == PixelNV12) {
            chroma[x * 2] = c.u;
            chroma[x * 2 + 1] = c.v;
        } else if (pixel == PixelI420) {
            chroma[x] = c.u;
            chroma[(pitch / 2) * (rows / 2) + x] = c.v;
        }
    }
    return data;
}

TEST(MfSourceFrames, ConvertedToRgb32BottomUp)
{
    for (int pixel : {PixelNV12, PixelYUY2, PixelI420}) {
        std::vector<BYTE> data = Decoded(pixel, kRed, kBlue);
        DecodedFrame frame = {pixel, data.data(), 8, 4, 4, 2};
        std::vector<BYTE> out(4 * 4 * 2, 0x55);
        ASSERT_EQ(ConvertFrame(&frame, PixelRGB32, out.data(), 16), 1);
        for (int row = 0; row < 2; row++) {
            for (int x = 0; x < 4; x++) {
                const Colour& c = x < 2 ? kRed : kBlue;
                const BYTE* px = &out[row * 16 + x * 4];
                EXPECT_NEAR(px[0], c.b, 2) << pixel << " " << x;
                EXPECT_NEAR(px[1], c.g, 2) << pixel << " " << x;
                EXPECT_NEAR(px[2], c.r, 2) << pixel << " " << x;
            }
        }
    }
    // A one-row picture shows that the first row lands last: white over red.
    std::vector<BYTE> data = Decoded(PixelNV12, kWhite, kWhite);
    data[0] = kRed.y;  // top-left luma only
    DecodedFrame frame = {PixelNV12, data.data(), 8, 4, 2, 2};
    std::vector<BYTE> out(2 * 4 * 2);
    ConvertFrame(&frame, PixelRGB32, out.data(), 8);
    EXPECT_LT(out[8 + 2], 200);   // the picture's top-left, in the buffer's second row
    EXPECT_EQ(out[0 + 2], 255);
}

TEST(MfSourceFrames, PitchFromAPaddedBuffer)
{
    struct Case {
        const char* what;
        int pixel;
        DWORD length;
        int rows, stated, pitch;
    } cases[] = {
        {"854 wide NV12 padded to 856", PixelNV12, 856 * 480 * 3 / 2, 480, 854, 856},
        {"exact NV12 keeps its pitch", PixelNV12, 640 * 480 * 3 / 2, 480, 640, 640},
        {"YUY2 padded to 1712 bytes", PixelYUY2, 1712 * 480, 480, 1708, 1712},
        {"I420 with extra rows: the stated pitch", PixelI420, 1920 * 1088 * 3 / 2, 1080, 1920, 1920},
        {"a short buffer never narrows the pitch", PixelNV12, 600 * 480 * 3 / 2, 480, 640, 640},
    };
    for (const Case& c : cases) EXPECT_EQ(PitchOfBuffer(c.pixel, c.length, c.rows, c.stated), c.pitch) << c.what;
}

TEST(MfSourceFrames, YuvPassedOnPackedWithoutPadding)
{
    struct Case {
        int pixel;
        int outStride;
        size_t bytes;
    } cases[] = {{PixelNV12, 4, 12}, {PixelI420, 4, 12}, {PixelYUY2, 8, 16}};
    for (const Case& c : cases) {
        std::vector<BYTE> data = Decoded(c.pixel, kRed, kBlue);
        DecodedFrame frame = {c.pixel, data.data(), 8, 4, 4, 2};
        std::vector<BYTE> out(c.bytes + 4, 0x55);
        ASSERT_EQ(ConvertFrame(&frame, c.pixel, out.data(), c.outStride), 1);
        EXPECT_EQ(FrameBytes(c.pixel, 4, 2), c.bytes);
        for (size_t i = 0; i < c.bytes; i++) EXPECT_NE(out[i], 0xEE) << c.pixel << " byte " << i;
        EXPECT_EQ(out[c.bytes], 0x55) << c.pixel;
        EXPECT_EQ(out[0], kRed.y);
    }
    DecodedFrame frame = {PixelNV12, NULL, 8, 4, 4, 2};
    EXPECT_EQ(ConvertFrame(&frame, PixelYUY2, NULL, 8), 0);
    EXPECT_EQ(DecodedFrameBytes(&frame), 48u);
}

}  // namespace
