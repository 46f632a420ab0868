// Media files written by the tests themselves.
#pragma once
#include <string>

// A PCM WAV file of silence: 8 kHz, mono, 8 bits.
std::string SilentWave(int seconds);
// An uncompressed 24-bit AVI without sound, frames of one colour each.
std::string PlainVideo(int width, int height, int frames, int fps);
