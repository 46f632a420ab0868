// Media Foundation source, inside: the filter's and its pins' records and
// what its two files share (vlm_dx_mffilter.cpp: the DirectShow side,
// media types, pins and seeking; vlm_dx_mfsource.cpp: the reader, the
// streaming threads and the build of a graph around the filter).
//
// Locks: Lock guards the filter's state, the pins' connections and the
// threads; ReaderLock serialises the calls into the reader, which both
// threads use. A streaming thread never takes Lock, so the graph's thread
// can stop and join it while holding Lock.
#pragma once
#include "vlm_dx_mfsource.h"
#include <dshow.h>
#include <mfidl.h>
#include <mfreadwrite.h>

const LONGLONG DefaultFrameTime = 333333;  // 30 frames a second
const long VideoBuffers = 3;
const long AudioBuffers = 8;

enum { PinVideo = 0, PinAudio = 1, PinKinds = 2 };
const WCHAR* const PinNames[PinKinds] = {L"Video", L"Audio"};
const DWORD PinStreams[PinKinds] = {(DWORD)MF_SOURCE_READER_FIRST_VIDEO_STREAM,
                                    (DWORD)MF_SOURCE_READER_FIRST_AUDIO_STREAM};
// The reader decodes to the first of these it can; the renderer gets it as
// it is or, when it takes no YUV, as RGB32 converted here.
const int DecodedPixels[] = {PixelNV12, PixelYUY2, PixelI420};

// What one delivery step tells the streaming loop.
enum { DeliveryNext, DeliveryEnd, DeliveryStopped, DeliveryFailed };

struct MfSource;

struct MfPin final : IPin, IMediaSeeking {
    MfSource* source;
    int kind;
    // Decoded layout of the reader's current video type.
    int decodedPixel;
    int decodedPitch;
    int decodedRows;
    int decodedWidth;
    int decodedHeight;
    LONGLONG frameTime;
    WAVEFORMATEX wave;
    // The types offered, best first.
    int offered[2];
    int offeredCount;
    // The connection.
    IPin* peer;
    IMemInputPin* input;
    IMemAllocator* allocator;
    AM_MEDIA_TYPE type;
    int outPixel;
    int outStride;   // negative: an RGB frame stored top-down
    int outWidth;
    int outHeight;
    long outBytes;   // one frame at the renderer's stride
    long bufferBytes;
    // Streaming.
    HANDLE thread;
    volatile LONG stopRequested;
    IMFSample* pending;   // read ahead at opening, delivered first
    DWORD pendingFlags;
    LONGLONG pendingTime;
    volatile LONGLONG position;  // file time of the last sample delivered

    // IUnknown: the pins live and die with the filter.
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    // IPin
    STDMETHODIMP Connect(IPin* receive, const AM_MEDIA_TYPE* wanted) override;
    STDMETHODIMP ReceiveConnection(IPin*, const AM_MEDIA_TYPE*) override { return E_UNEXPECTED; }
    STDMETHODIMP Disconnect() override;
    STDMETHODIMP ConnectedTo(IPin** pin) override;
    STDMETHODIMP ConnectionMediaType(AM_MEDIA_TYPE* out) override;
    STDMETHODIMP QueryPinInfo(PIN_INFO* info) override;
    STDMETHODIMP QueryDirection(PIN_DIRECTION* direction) override;
    STDMETHODIMP QueryId(LPWSTR* id) override;
    STDMETHODIMP QueryAccept(const AM_MEDIA_TYPE* type) override;
    STDMETHODIMP EnumMediaTypes(IEnumMediaTypes** types) override;
    STDMETHODIMP QueryInternalConnections(IPin**, ULONG*) override { return E_NOTIMPL; }
    STDMETHODIMP EndOfStream() override { return E_UNEXPECTED; }
    STDMETHODIMP BeginFlush() override { return E_UNEXPECTED; }
    STDMETHODIMP EndFlush() override { return E_UNEXPECTED; }
    STDMETHODIMP NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) override { return E_UNEXPECTED; }
    // IMediaSeeking: one position for the whole file, whichever pin is asked.
    STDMETHODIMP GetCapabilities(DWORD* capabilities) override;
    STDMETHODIMP CheckCapabilities(DWORD* capabilities) override;
    STDMETHODIMP IsFormatSupported(const GUID* format) override;
    STDMETHODIMP QueryPreferredFormat(GUID* format) override;
    STDMETHODIMP GetTimeFormat(GUID* format) override;
    STDMETHODIMP IsUsingTimeFormat(const GUID* format) override;
    STDMETHODIMP SetTimeFormat(const GUID* format) override;
    STDMETHODIMP GetDuration(LONGLONG* duration) override;
    STDMETHODIMP GetStopPosition(LONGLONG* stop) override;
    STDMETHODIMP GetCurrentPosition(LONGLONG* current) override;
    STDMETHODIMP ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat, LONGLONG source,
                                   const GUID* sourceFormat) override;
    STDMETHODIMP SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop, DWORD stopFlags) override;
    STDMETHODIMP GetPositions(LONGLONG* current, LONGLONG* stop) override;
    STDMETHODIMP GetAvailable(LONGLONG* earliest, LONGLONG* latest) override;
    STDMETHODIMP SetRate(double rate) override { return rate == 1.0 ? S_OK : E_NOTIMPL; }
    STDMETHODIMP GetRate(double* rate) override;
    STDMETHODIMP GetPreroll(LONGLONG* preroll) override;
};

struct MfSource final : IBaseFilter {
    LONG refs;
    CRITICAL_SECTION Lock;
    CRITICAL_SECTION ReaderLock;
    FILTER_STATE state;
    BOOL everStarted;
    BOOL seekedWhileStopped;
    IFilterGraph* graph;   // not held: the graph holds the filter
    WCHAR name[MAX_FILTER_NAME];
    IReferenceClock* clock;
    IMFSourceReader* reader;
    MfPin* pins[PinKinds];
    int pinCount;
    LONGLONG duration;
    volatile LONGLONG segmentStart;
    volatile LONGLONG segmentStop;

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override { return (ULONG)InterlockedIncrement(&refs); }
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP GetClassID(CLSID* id) override;
    STDMETHODIMP Stop() override;
    STDMETHODIMP Pause() override;
    STDMETHODIMP Run(REFERENCE_TIME start) override;
    STDMETHODIMP GetState(DWORD timeout, FILTER_STATE* state) override;
    STDMETHODIMP SetSyncSource(IReferenceClock* clock) override;
    STDMETHODIMP GetSyncSource(IReferenceClock** clock) override;
    STDMETHODIMP EnumPins(IEnumPins** pins) override;
    STDMETHODIMP FindPin(LPCWSTR id, IPin** pin) override;
    STDMETHODIMP QueryFilterInfo(FILTER_INFO* info) override;
    STDMETHODIMP JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override;
    STDMETHODIMP QueryVendorInfo(LPWSTR*) override { return E_NOTIMPL; }
};

template <typename T>
void ReleaseSlot(T*& slot)
{
    if (slot) slot->Release();
    slot = NULL;
}

// ---- media types and pins (vlm_dx_mffilter.cpp)
void FreeTypeFormat(AM_MEDIA_TYPE* type);
HRESULT CopyType(AM_MEDIA_TYPE* to, const AM_MEDIA_TYPE* from);
// Takes the renderer's layout of a connected or changed video type.
BOOL AdoptVideoType(MfPin* pin, const AM_MEDIA_TYPE* type);

// ---- reader and streaming (vlm_dx_mfsource.cpp)
HRESULT SeekReader(MfSource* source, LONGLONG position);
// Forgets the samples read ahead at opening.
void DropPending(MfSource* source);
void StartStreaming(MfSource* source);
void StopStreaming(MfSource* source);
// Moves the file to position and the segment's stop to stop; a running or
// paused graph is flushed and streams on from there.
HRESULT SeekSource(MfSource* source, LONGLONG position, LONGLONG stop);
