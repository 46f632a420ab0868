// Media files written by the tests themselves: a silent PCM WAV and an
// uncompressed video-only AVI, both readable by the system's media graph.
#include "support_media.h"

namespace {

void PutLE(std::string& out, unsigned value, int bytes)
{
    for (int i = 0; i < bytes; i++) out.push_back((char)((value >> (8 * i)) & 0xFF));
}

void PutTag(std::string& out, const char* tag)
{
    out.append(tag, 4);
}

}  // namespace

std::string SilentWave(int seconds)
{
    unsigned samples = 8000u * (unsigned)seconds;
    std::string wav = "RIFF";
    PutLE(wav, 36 + samples, 4);
    wav += "WAVEfmt ";
    PutLE(wav, 16, 4);
    PutLE(wav, 1, 2);     // PCM
    PutLE(wav, 1, 2);     // mono
    PutLE(wav, 8000, 4);  // samples per second
    PutLE(wav, 8000, 4);  // bytes per second
    PutLE(wav, 1, 2);     // block align
    PutLE(wav, 8, 2);     // bits per sample
    wav += "data";
    PutLE(wav, samples, 4);
    wav.append(samples, (char)0x80);
    return wav;
}

std::string PlainVideo(int width, int height, int frames, int fps)
{
    unsigned frameBytes = (unsigned)(width * 3 + 3) / 4 * 4 * (unsigned)height;

    std::string strh;
    PutTag(strh, "vids");
    PutTag(strh, "DIB ");
    PutLE(strh, 0, 4);             // flags
    PutLE(strh, 0, 4);             // priority, language
    PutLE(strh, 0, 4);             // initial frames
    PutLE(strh, 1, 4);             // scale
    PutLE(strh, (unsigned)fps, 4); // rate
    PutLE(strh, 0, 4);             // start
    PutLE(strh, (unsigned)frames, 4);
    PutLE(strh, frameBytes, 4);
    PutLE(strh, 0xFFFFFFFFu, 4);   // quality
    PutLE(strh, 0, 4);             // sample size
    PutLE(strh, 0, 2);
    PutLE(strh, 0, 2);
    PutLE(strh, (unsigned)width, 2);
    PutLE(strh, (unsigned)height, 2);

    std::string strf;
    PutLE(strf, 40, 4);
    PutLE(strf, (unsigned)width, 4);
    PutLE(strf, (unsigned)height, 4);
    PutLE(strf, 1, 2);
    PutLE(strf, 24, 2);
    PutLE(strf, 0, 4);             // BI_RGB
    PutLE(strf, frameBytes, 4);
    PutLE(strf, 0, 16);

    std::string strl = "strl";
    PutTag(strl, "strh");
    PutLE(strl, (unsigned)strh.size(), 4);
    strl += strh;
    PutTag(strl, "strf");
    PutLE(strl, (unsigned)strf.size(), 4);
    strl += strf;

    std::string avih;
    PutLE(avih, 1000000u / (unsigned)fps, 4);
    PutLE(avih, frameBytes * (unsigned)fps, 4);
    PutLE(avih, 0, 4);
    PutLE(avih, 0x10, 4);          // has an index
    PutLE(avih, (unsigned)frames, 4);
    PutLE(avih, 0, 4);
    PutLE(avih, 1, 4);             // streams
    PutLE(avih, frameBytes, 4);
    PutLE(avih, (unsigned)width, 4);
    PutLE(avih, (unsigned)height, 4);
    PutLE(avih, 0, 16);

    std::string hdrl = "hdrl";
    PutTag(hdrl, "avih");
    PutLE(hdrl, (unsigned)avih.size(), 4);
    hdrl += avih;
    PutTag(hdrl, "LIST");
    PutLE(hdrl, (unsigned)strl.size(), 4);
    hdrl += strl;

    std::string movi = "movi", idx1;
    for (int i = 0; i < frames; i++) {
        PutTag(idx1, "00db");
        PutLE(idx1, 0x10, 4);      // key frame
        PutLE(idx1, (unsigned)movi.size(), 4);
        PutLE(idx1, frameBytes, 4);
        PutTag(movi, "00db");
        PutLE(movi, frameBytes, 4);
        movi.append(frameBytes, (char)(40 + 20 * (i % 10)));
    }

    std::string body = "AVI ";
    PutTag(body, "LIST");
    PutLE(body, (unsigned)hdrl.size(), 4);
    body += hdrl;
    PutTag(body, "LIST");
    PutLE(body, (unsigned)movi.size(), 4);
    body += movi;
    PutTag(body, "idx1");
    PutLE(body, (unsigned)idx1.size(), 4);
    body += idx1;

    std::string file = "RIFF";
    PutLE(file, (unsigned)body.size(), 4);
    return file + body;
}

