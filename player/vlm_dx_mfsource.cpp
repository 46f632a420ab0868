// Media Foundation source: a DirectShow source filter that reads a file
// through the Source Reader (first video and first audio stream, decoded)
// and pushes frames and PCM down one output pin per stream, each from a
// streaming thread of its own. The graph renders the pins with its usual
// renderers, so the rest of the player sees an ordinary graph.
//
// Locks: Lock guards the filter's state, the pins' connections and the
// threads; ReaderLock serialises the calls into the reader, which both
// threads use. A streaming thread never takes Lock, so the graph's thread
// can stop and join it while holding Lock.
#include "vlm_dx.h"
#include "vlm_dx_mfsource.h"
#include <dshow.h>
#include <dvdmedia.h>
#include <mfapi.h>
#include <mferror.h>
#include <mfidl.h>
#include <mfreadwrite.h>
#include <new>
#include <string.h>

namespace {

// {6B0F2C1E-54A9-4C3E-9E57-1D8A2F3B7C41}
const CLSID ClsidMfSource = {0x6b0f2c1e, 0x54a9, 0x4c3e, {0x9e, 0x57, 0x1d, 0x8a, 0x2f, 0x3b, 0x7c, 0x41}};

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

// ---- media types

void FreeTypeFormat(AM_MEDIA_TYPE* type)
{
    if (type->pbFormat) CoTaskMemFree(type->pbFormat);
    ReleaseSlot(type->pUnk);
    type->pbFormat = NULL;
    type->cbFormat = 0;
}

HRESULT CopyType(AM_MEDIA_TYPE* to, const AM_MEDIA_TYPE* from)
{
    *to = *from;
    to->pbFormat = NULL;
    if (from->cbFormat) {
        to->pbFormat = (BYTE*)CoTaskMemAlloc(from->cbFormat);
        if (to->pbFormat == NULL) {
            to->cbFormat = 0;
            to->pUnk = NULL;
            return E_OUTOFMEMORY;
        }
        memcpy(to->pbFormat, from->pbFormat, from->cbFormat);
    }
    if (to->pUnk) to->pUnk->AddRef();
    return S_OK;
}

// Type number index of the pin's offer.
HRESULT BuildType(const MfPin* pin, int index, AM_MEDIA_TYPE* type)
{
    ZeroMemory(type, sizeof(*type));
    type->bFixedSizeSamples = TRUE;
    if (pin->kind == PinAudio) {
        type->majortype = MEDIATYPE_Audio;
        type->subtype = MEDIASUBTYPE_PCM;
        type->formattype = FORMAT_WaveFormatEx;
        type->lSampleSize = pin->wave.nBlockAlign;
        type->cbFormat = sizeof(WAVEFORMATEX);
        type->pbFormat = (BYTE*)CoTaskMemAlloc(sizeof(WAVEFORMATEX));
        if (type->pbFormat == NULL) return E_OUTOFMEMORY;
        memcpy(type->pbFormat, &pin->wave, sizeof(WAVEFORMATEX));
        return S_OK;
    }
    int pixel = pin->offered[index];
    type->majortype = MEDIATYPE_Video;
    type->subtype = MediaSubtypeOfPixelFormat(pixel);
    type->formattype = FORMAT_VideoInfo;
    type->lSampleSize = FrameBytes(pixel, pin->decodedWidth, pin->decodedHeight);
    type->cbFormat = sizeof(VIDEOINFOHEADER);
    type->pbFormat = (BYTE*)CoTaskMemAlloc(sizeof(VIDEOINFOHEADER));
    if (type->pbFormat == NULL) return E_OUTOFMEMORY;
    FillVideoInfo(pixel, pin->decodedWidth, pin->decodedHeight, pin->frameTime,
                  (VIDEOINFOHEADER*)type->pbFormat);
    return S_OK;
}

BOOL MatchesPartly(const AM_MEDIA_TYPE* wanted, const AM_MEDIA_TYPE* type)
{
    return (IsEqualGUID(wanted->majortype, GUID_NULL) || IsEqualGUID(wanted->majortype, type->majortype)) &&
           (IsEqualGUID(wanted->subtype, GUID_NULL) || IsEqualGUID(wanted->subtype, type->subtype)) &&
           (IsEqualGUID(wanted->formattype, GUID_NULL) || IsEqualGUID(wanted->formattype, type->formattype));
}

int PixelOfMediaSubtype(const GUID& subtype)
{
    static const int pixels[] = {PixelNV12, PixelYUY2, PixelI420, PixelRGB32};
    for (int pixel : pixels)
        if (IsEqualGUID(subtype, MediaSubtypeOfPixelFormat(pixel))) return pixel;
    return PixelNone;
}

// Layout of the buffers for a connected or changed video type: the
// renderer's stride comes from biWidth, a negative biHeight of RGB means
// top-down rows.
BOOL AdoptVideoType(MfPin* pin, const AM_MEDIA_TYPE* type)
{
    const BITMAPINFOHEADER* header = NULL;
    if (IsEqualGUID(type->formattype, FORMAT_VideoInfo) && type->cbFormat >= sizeof(VIDEOINFOHEADER))
        header = &((const VIDEOINFOHEADER*)type->pbFormat)->bmiHeader;
    else if (IsEqualGUID(type->formattype, FORMAT_VideoInfo2) && type->cbFormat >= sizeof(VIDEOINFOHEADER2))
        header = &((const VIDEOINFOHEADER2*)type->pbFormat)->bmiHeader;
    int pixel = PixelOfMediaSubtype(type->subtype);
    if (header == NULL || pixel == PixelNone || header->biWidth < pin->outWidth) return FALSE;
    pin->outPixel = pixel;
    int bytesPerPixel = pixel == PixelRGB32 ? 4 : pixel == PixelYUY2 ? 2 : 1;
    pin->outStride = header->biWidth * bytesPerPixel;
    pin->outBytes = (long)FrameBytes(pixel, header->biWidth, pin->outHeight);
    if (pixel == PixelRGB32 && header->biHeight < 0) pin->outStride = -pin->outStride;
    return TRUE;
}

// ---- enumerators

struct MfEnumPins final : IEnumPins {
    LONG refs;
    MfSource* source;
    int index;
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override
    {
        if (IsEqualGUID(iid, IID_IUnknown) || IsEqualGUID(iid, IID_IEnumPins)) {
            *out = this;
            AddRef();
            return S_OK;
        }
        *out = NULL;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return (ULONG)InterlockedIncrement(&refs); }
    STDMETHODIMP_(ULONG) Release() override
    {
        LONG left = InterlockedDecrement(&refs);
        if (left == 0) {
            source->Release();
            delete this;
        }
        return (ULONG)left;
    }
    STDMETHODIMP Next(ULONG count, IPin** pins, ULONG* fetched) override
    {
        ULONG got = 0;
        while (got < count && index < source->pinCount) {
            pins[got] = source->pins[index++];
            pins[got++]->AddRef();
        }
        if (fetched) *fetched = got;
        return got == count ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG count) override
    {
        index += (int)count;
        if (index > source->pinCount) index = source->pinCount;
        return index < source->pinCount ? S_OK : S_FALSE;
    }
    STDMETHODIMP Reset() override
    {
        index = 0;
        return S_OK;
    }
    STDMETHODIMP Clone(IEnumPins** out) override;
};

HRESULT NewEnumPins(MfSource* source, int index, IEnumPins** out)
{
    MfEnumPins* pins = new (std::nothrow) MfEnumPins();
    if (pins == NULL) return E_OUTOFMEMORY;
    pins->refs = 1;
    pins->source = source;
    pins->index = index;
    source->AddRef();
    *out = pins;
    return S_OK;
}

STDMETHODIMP MfEnumPins::Clone(IEnumPins** out)
{
    return NewEnumPins(source, index, out);
}

struct MfEnumTypes final : IEnumMediaTypes {
    LONG refs;
    MfPin* pin;
    int index;
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override
    {
        if (IsEqualGUID(iid, IID_IUnknown) || IsEqualGUID(iid, IID_IEnumMediaTypes)) {
            *out = this;
            AddRef();
            return S_OK;
        }
        *out = NULL;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return (ULONG)InterlockedIncrement(&refs); }
    STDMETHODIMP_(ULONG) Release() override
    {
        LONG left = InterlockedDecrement(&refs);
        if (left == 0) {
            pin->Release();
            delete this;
        }
        return (ULONG)left;
    }
    STDMETHODIMP Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) override
    {
        ULONG got = 0;
        while (got < count && index < pin->offeredCount) {
            AM_MEDIA_TYPE* type = (AM_MEDIA_TYPE*)CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE));
            if (type == NULL) break;
            if (FAILED(BuildType(pin, index, type))) {
                CoTaskMemFree(type);
                break;
            }
            index++;
            types[got++] = type;
        }
        if (fetched) *fetched = got;
        return got == count ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG count) override
    {
        index += (int)count;
        if (index > pin->offeredCount) index = pin->offeredCount;
        return index < pin->offeredCount ? S_OK : S_FALSE;
    }
    STDMETHODIMP Reset() override
    {
        index = 0;
        return S_OK;
    }
    STDMETHODIMP Clone(IEnumMediaTypes** out) override;
};

HRESULT NewEnumTypes(MfPin* pin, int index, IEnumMediaTypes** out)
{
    MfEnumTypes* types = new (std::nothrow) MfEnumTypes();
    if (types == NULL) return E_OUTOFMEMORY;
    types->refs = 1;
    types->pin = pin;
    types->index = index;
    pin->AddRef();
    *out = types;
    return S_OK;
}

STDMETHODIMP MfEnumTypes::Clone(IEnumMediaTypes** out)
{
    return NewEnumTypes(pin, index, out);
}

// ---- the reader

HRESULT ReadSample(MfSource* source, MfPin* pin, IMFSample** sample, DWORD* flags, LONGLONG* time)
{
    *sample = NULL;
    *flags = 0;
    *time = 0;
    if (pin->pending || pin->pendingFlags) {
        *sample = pin->pending;
        *flags = pin->pendingFlags;
        *time = pin->pendingTime;
        pin->pending = NULL;
        pin->pendingFlags = 0;
        return S_OK;
    }
    DWORD actual = 0;
    EnterCriticalSection(&source->ReaderLock);
    HRESULT hr = source->reader->ReadSample(PinStreams[pin->kind], 0, &actual, flags, time, sample);
    LeaveCriticalSection(&source->ReaderLock);
    return hr;
}

HRESULT SeekReader(MfSource* source, LONGLONG position)
{
    PROPVARIANT where;
    PropVariantInit(&where);
    where.vt = VT_I8;
    where.hVal.QuadPart = position;
    EnterCriticalSection(&source->ReaderLock);
    HRESULT hr = source->reader->SetCurrentPosition(GUID_NULL, where);
    LeaveCriticalSection(&source->ReaderLock);
    return hr;
}

void DropPending(MfSource* source)
{
    for (int i = 0; i < source->pinCount; i++) {
        ReleaseSlot(source->pins[i]->pending);
        source->pins[i]->pendingFlags = 0;
    }
}

// The decoded layout of the reader's current video type. The decoder may
// settle the frame size only with its first frame, so this is read again
// whenever the reader says the type changed.
HRESULT ReadVideoLayout(MfSource* source, MfPin* pin)
{
    IMFMediaType* type = NULL;
    EnterCriticalSection(&source->ReaderLock);
    HRESULT hr = source->reader->GetCurrentMediaType(PinStreams[PinVideo], &type);
    LeaveCriticalSection(&source->ReaderLock);
    if (FAILED(hr)) return hr;
    GUID subtype = GUID_NULL;
    UINT32 width = 0, height = 0, pitch = 0, numerator = 0, denominator = 0;
    type->GetGUID(MF_MT_SUBTYPE, &subtype);
    hr = MFGetAttributeSize(type, MF_MT_FRAME_SIZE, &width, &height);
    int pixel = PixelFormatOfSubtype(subtype);
    if (SUCCEEDED(hr) && (pixel == PixelNone || pixel == PixelRGB32 || width < 2 || height < 2))
        hr = MF_E_INVALIDMEDIATYPE;
    if (FAILED(hr)) {
        type->Release();
        return hr;
    }
    pin->decodedPixel = pixel;
    pin->decodedRows = (int)height;
    UINT32 codedWidth = width;
    // The picture may be smaller than the decoded frame (1080 lines coded
    // as 1088); 4:2:0 pictures keep even sizes.
    MFVideoArea area;
    UINT32 areaBytes = 0;
    if (SUCCEEDED(type->GetBlob(MF_MT_MINIMUM_DISPLAY_APERTURE, (UINT8*)&area, sizeof(area), &areaBytes)) &&
        areaBytes == sizeof(area) && area.Area.cx > 0 && area.Area.cy > 0 && (UINT32)area.Area.cx <= width &&
        (UINT32)area.Area.cy <= height) {
        width = (UINT32)area.Area.cx;
        height = (UINT32)area.Area.cy;
    }
    pin->decodedWidth = (int)(width & ~1u);
    pin->decodedHeight = (int)(height & ~1u);
    if (FAILED(type->GetUINT32(MF_MT_DEFAULT_STRIDE, &pitch)) || (int)pitch <= 0)
        pitch = pixel == PixelYUY2 ? codedWidth * 2 : codedWidth;
    pin->decodedPitch = (int)pitch;
    if (SUCCEEDED(MFGetAttributeRatio(type, MF_MT_FRAME_RATE, &numerator, &denominator)) && numerator > 0 &&
        denominator > 0)
        pin->frameTime = (LONGLONG)denominator * 10000000LL / numerator;
    type->Release();
    return S_OK;
}

HRESULT SetupVideo(MfSource* source, MfPin* pin)
{
    HRESULT hr = E_FAIL;
    for (int pixel : DecodedPixels) {
        IMFMediaType* type = NULL;
        hr = MFCreateMediaType(&type);
        if (FAILED(hr)) return hr;
        type->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Video);
        type->SetGUID(MF_MT_SUBTYPE, SubtypeOfPixelFormat(pixel));
        hr = source->reader->SetCurrentMediaType(PinStreams[PinVideo], NULL, type);
        type->Release();
        if (SUCCEEDED(hr)) break;
    }
    if (FAILED(hr)) return hr;
    source->reader->SetStreamSelection(PinStreams[PinVideo], TRUE);
    pin->frameTime = DefaultFrameTime;
    return ReadVideoLayout(source, pin);
}

HRESULT SetupAudio(MfSource* source, MfPin* pin)
{
    IMFMediaType* type = NULL;
    HRESULT hr = MFCreateMediaType(&type);
    if (FAILED(hr)) return hr;
    type->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Audio);
    type->SetGUID(MF_MT_SUBTYPE, MFAudioFormat_PCM);
    type->SetUINT32(MF_MT_AUDIO_BITS_PER_SAMPLE, 16);
    hr = source->reader->SetCurrentMediaType(PinStreams[PinAudio], NULL, type);
    type->Release();
    if (FAILED(hr)) return hr;
    type = NULL;
    hr = source->reader->GetCurrentMediaType(PinStreams[PinAudio], &type);
    if (FAILED(hr)) return hr;
    UINT32 channels = 0, rate = 0, bits = 0;
    type->GetUINT32(MF_MT_AUDIO_NUM_CHANNELS, &channels);
    type->GetUINT32(MF_MT_AUDIO_SAMPLES_PER_SECOND, &rate);
    type->GetUINT32(MF_MT_AUDIO_BITS_PER_SAMPLE, &bits);
    type->Release();
    if (channels == 0 || rate == 0 || (bits != 8 && bits != 16 && bits != 24 && bits != 32))
        return MF_E_INVALIDMEDIATYPE;
    FillPcmFormat((int)channels, (int)rate, (int)bits, &pin->wave);
    source->reader->SetStreamSelection(PinStreams[PinAudio], TRUE);
    return S_OK;
}

MfPin* NewPin(MfSource* source, int kind)
{
    MfPin* pin = new (std::nothrow) MfPin();
    if (pin == NULL) return NULL;
    pin->source = source;
    pin->kind = kind;
    return pin;
}

// Opens the file: *opened says whether the reader could read it at all.
// A stream whose decoder is missing is left out when another one plays;
// the first sample of each stream is read here, so that a file that
// cannot be decoded fails now rather than leaving a black screen.
HRESULT OpenSource(MfSource* source, const WCHAR* path, BOOL* opened)
{
    *opened = FALSE;
    HRESULT hr = MFCreateSourceReaderFromURL(path, NULL, &source->reader);
    if (FAILED(hr)) return hr;
    *opened = TRUE;
    source->reader->SetStreamSelection((DWORD)MF_SOURCE_READER_ALL_STREAMS, FALSE);

    HRESULT failure = MF_E_INVALIDSTREAMNUMBER;
    for (int kind = 0; kind < PinKinds; kind++) {
        IMFMediaType* native = NULL;
        if (FAILED(source->reader->GetNativeMediaType(PinStreams[kind], 0, &native))) continue;
        native->Release();
        MfPin* pin = NewPin(source, kind);
        if (pin == NULL) return E_OUTOFMEMORY;
        hr = kind == PinVideo ? SetupVideo(source, pin) : SetupAudio(source, pin);
        if (FAILED(hr)) {
            source->reader->SetStreamSelection(PinStreams[kind], FALSE);
            delete pin;
            failure = hr;
            continue;
        }
        source->pins[source->pinCount++] = pin;
    }

    for (int i = 0; i < source->pinCount; i++) {
        MfPin* pin = source->pins[i];
        DWORD flags = 0;
        hr = ReadSample(source, pin, &pin->pending, &flags, &pin->pendingTime);
        if (SUCCEEDED(hr) && (flags & MF_SOURCE_READERF_ERROR)) hr = E_FAIL;
        if (FAILED(hr)) return hr;
        pin->pendingFlags = flags | MF_SOURCE_READERF_STREAMTICK;  // marks the read-ahead
        if (pin->kind == PinVideo && (flags & MF_SOURCE_READERF_CURRENTMEDIATYPECHANGED)) {
            hr = ReadVideoLayout(source, pin);
            if (FAILED(hr)) return hr;
        }
    }
    if (source->pinCount == 0) return failure;

    for (int i = 0; i < source->pinCount; i++) {
        MfPin* pin = source->pins[i];
        if (pin->kind == PinVideo) {
            pin->offered[0] = pin->decodedPixel;
            pin->offered[1] = PixelRGB32;
            pin->offeredCount = 2;
        } else {
            pin->offeredCount = 1;
        }
    }

    PROPVARIANT value;
    PropVariantInit(&value);
    if (SUCCEEDED(source->reader->GetPresentationAttribute((DWORD)MF_SOURCE_READER_MEDIASOURCE, MF_PD_DURATION,
                                                           &value))) {
        if (value.vt == VT_UI8) source->duration = (LONGLONG)value.uhVal.QuadPart;
        PropVariantClear(&value);
    }
    source->segmentStart = 0;
    source->segmentStop = source->duration;
    return S_OK;
}

// ---- streaming

// Copies one decoded frame into a buffer of the renderer and sends it.
int DeliverVideo(MfPin* pin, IMFSample* sample, LONGLONG time, BOOL* discontinuity)
{
    MfSource* source = pin->source;
    LONGLONG duration = 0;
    if (FAILED(sample->GetSampleDuration(&duration)) || duration <= 0) duration = pin->frameTime;
    LONGLONG start = 0, end = 0;
    switch (PlaceSample(time, duration, source->segmentStart, source->segmentStop, &start, &end)) {
    case SampleDrop: return DeliveryNext;
    case SampleEnd: return DeliveryEnd;
    }

    IMediaSample* out = NULL;
    if (FAILED(pin->allocator->GetBuffer(&out, NULL, NULL, 0))) return DeliveryStopped;
    AM_MEDIA_TYPE* changed = NULL;
    if (out->GetMediaType(&changed) == S_OK && changed) {
        if (AdoptVideoType(pin, changed)) {
            FreeTypeFormat(&pin->type);
            CopyType(&pin->type, changed);
        }
        FreeTypeFormat(changed);
        CoTaskMemFree(changed);
    }

    BYTE* data = NULL;
    IMFMediaBuffer* buffer = NULL;
    BOOL filled = FALSE;
    long bytes = pin->outBytes;
    if (SUCCEEDED(out->GetPointer(&data)) && out->GetSize() >= bytes &&
        SUCCEEDED(sample->ConvertToContiguousBuffer(&buffer))) {
        IMF2DBuffer* buffer2d = NULL;
        BYTE* scan = NULL;
        LONG pitch = 0;
        DWORD length = 0;
        BOOL locked2d = SUCCEEDED(buffer->QueryInterface(IID_IMF2DBuffer, (void**)&buffer2d)) &&
                        SUCCEEDED(buffer2d->Lock2D(&scan, &pitch)) && pitch > 0;
        if (!locked2d && buffer2d && scan) buffer2d->Unlock2D();
        BOOL locked = locked2d;
        if (!locked2d && SUCCEEDED(buffer->Lock(&scan, NULL, &length))) {
            locked = TRUE;
            pitch = pin->decodedPitch;
        }
        if (locked) {
            DecodedFrame frame = {pin->decodedPixel, scan, (int)pitch, pin->decodedRows,
                                  pin->decodedWidth < pin->outWidth ? pin->decodedWidth : pin->outWidth,
                                  pin->decodedHeight < pin->outHeight ? pin->decodedHeight : pin->outHeight};
            if (locked2d || DecodedFrameBytes(&frame) <= length) {
                BYTE* target = data;
                if (pin->outStride < 0) target = data + (size_t)(pin->outHeight - 1) * (size_t)(-pin->outStride);
                filled = ConvertFrame(&frame, pin->outPixel, target, pin->outStride);
            }
            if (locked2d)
                buffer2d->Unlock2D();
            else
                buffer->Unlock();
        }
        ReleaseSlot(buffer2d);
        buffer->Release();
    }
    if (!filled) {
        // A frame that cannot be read is skipped, not shown as garbage.
        out->Release();
        return DeliveryNext;
    }
    out->SetActualDataLength(bytes);
    out->SetTime(&start, &end);
    out->SetSyncPoint(TRUE);
    out->SetPreroll(FALSE);
    out->SetDiscontinuity(*discontinuity);
    HRESULT hr = pin->input->Receive(out);
    out->Release();
    *discontinuity = FALSE;
    pin->position = time;
    if (hr == S_OK) return DeliveryNext;
    return FAILED(hr) ? DeliveryFailed : DeliveryStopped;
}

// Sends one sample of PCM, in as many buffers of the renderer as it takes.
int DeliverAudio(MfPin* pin, IMFSample* sample, LONGLONG time, BOOL* discontinuity)
{
    MfSource* source = pin->source;
    IMFMediaBuffer* buffer = NULL;
    if (FAILED(sample->ConvertToContiguousBuffer(&buffer))) return DeliveryNext;
    BYTE* data = NULL;
    DWORD length = 0;
    if (FAILED(buffer->Lock(&data, NULL, &length))) {
        buffer->Release();
        return DeliveryNext;
    }
    DWORD block = pin->wave.nBlockAlign;
    DWORD chunk = (DWORD)pin->bufferBytes / block * block;
    int result = DeliveryNext;
    for (DWORD offset = 0; chunk > 0 && offset < length && result == DeliveryNext; offset += chunk) {
        DWORD size = length - offset < chunk ? length - offset : chunk;
        LONGLONG start = 0, end = 0;
        int place = PlaceSample(time + PcmDuration(offset, &pin->wave), PcmDuration(size, &pin->wave),
                                source->segmentStart, source->segmentStop, &start, &end);
        if (place == SampleDrop) continue;
        if (place == SampleEnd) {
            result = DeliveryEnd;
            break;
        }
        IMediaSample* out = NULL;
        BYTE* target = NULL;
        if (FAILED(pin->allocator->GetBuffer(&out, NULL, NULL, 0))) {
            result = DeliveryStopped;
            break;
        }
        if (FAILED(out->GetPointer(&target)) || out->GetSize() < (long)size) {
            out->Release();
            break;
        }
        memcpy(target, data + offset, size);
        out->SetActualDataLength((long)size);
        out->SetTime(&start, &end);
        out->SetSyncPoint(TRUE);
        out->SetPreroll(FALSE);
        out->SetDiscontinuity(*discontinuity);
        HRESULT hr = pin->input->Receive(out);
        out->Release();
        *discontinuity = FALSE;
        pin->position = time;
        if (hr != S_OK) result = FAILED(hr) ? DeliveryFailed : DeliveryStopped;
    }
    buffer->Unlock();
    buffer->Release();
    return result;
}

DWORD WINAPI StreamThread(void* argument)
{
    MfPin* pin = (MfPin*)argument;
    MfSource* source = pin->source;
    HRESULT com = CoInitializeEx(NULL, COINIT_MULTITHREADED);
    pin->peer->NewSegment(source->segmentStart, source->segmentStop, 1.0);
    BOOL discontinuity = TRUE;
    int result = DeliveryNext;
    while (result == DeliveryNext && !pin->stopRequested) {
        IMFSample* sample = NULL;
        DWORD flags = 0;
        LONGLONG time = 0;
        HRESULT hr = ReadSample(source, pin, &sample, &flags, &time);
        // A stream that breaks off ends there: the graph moves on to the
        // next file instead of waiting for ever.
        if (FAILED(hr) || (flags & (MF_SOURCE_READERF_ENDOFSTREAM | MF_SOURCE_READERF_ERROR))) {
            ReleaseSlot(sample);
            result = DeliveryEnd;
            break;
        }
        if (pin->kind == PinVideo && (flags & MF_SOURCE_READERF_CURRENTMEDIATYPECHANGED) &&
            !(flags & MF_SOURCE_READERF_STREAMTICK))
            ReadVideoLayout(source, pin);
        if (sample == NULL) continue;
        result = pin->kind == PinVideo ? DeliverVideo(pin, sample, time, &discontinuity)
                                       : DeliverAudio(pin, sample, time, &discontinuity);
        sample->Release();
    }
    if ((result == DeliveryEnd || result == DeliveryFailed) && !pin->stopRequested) pin->peer->EndOfStream();
    if (SUCCEEDED(com)) CoUninitialize();
    return 0;
}

void StartStreaming(MfSource* source)
{
    for (int i = 0; i < source->pinCount; i++) {
        MfPin* pin = source->pins[i];
        if (pin->peer == NULL || pin->thread) continue;
        pin->stopRequested = 0;
        pin->allocator->Commit();
        pin->thread = CreateThread(NULL, 0, StreamThread, pin, 0, NULL);
    }
}

// The renderers below must not hold the threads: the graph stops them
// before the source, and a seek flushes them first.
void StopStreaming(MfSource* source)
{
    for (int i = 0; i < source->pinCount; i++) {
        MfPin* pin = source->pins[i];
        if (pin->thread == NULL) continue;
        InterlockedExchange(&pin->stopRequested, 1);
        pin->allocator->Decommit();  // wakes a thread waiting for a buffer
    }
    for (int i = 0; i < source->pinCount; i++) {
        MfPin* pin = source->pins[i];
        if (pin->thread == NULL) continue;
        WaitForSingleObject(pin->thread, INFINITE);
        CloseHandle(pin->thread);
        pin->thread = NULL;
    }
}

// Moves the file to position (and the segment's stop to stop); a running
// or paused graph is flushed and streams on from there.
HRESULT SeekSource(MfSource* source, LONGLONG position, LONGLONG stop)
{
    EnterCriticalSection(&source->Lock);
    BOOL streaming = source->state != State_Stopped;
    if (streaming) {
        for (int i = 0; i < source->pinCount; i++) InterlockedExchange(&source->pins[i]->stopRequested, 1);
        for (int i = 0; i < source->pinCount; i++)
            if (source->pins[i]->peer) source->pins[i]->peer->BeginFlush();
        StopStreaming(source);
    }
    DropPending(source);
    HRESULT hr = SeekReader(source, position);
    source->segmentStart = position;
    source->segmentStop = stop;
    for (int i = 0; i < source->pinCount; i++) source->pins[i]->position = position;
    if (streaming) {
        for (int i = 0; i < source->pinCount; i++)
            if (source->pins[i]->peer) source->pins[i]->peer->EndFlush();
        StartStreaming(source);
    } else {
        source->seekedWhileStopped = TRUE;
    }
    LeaveCriticalSection(&source->Lock);
    return hr;
}

// ---- the filter

STDMETHODIMP MfSource::QueryInterface(REFIID iid, void** out)
{
    if (IsEqualGUID(iid, IID_IUnknown) || IsEqualGUID(iid, IID_IPersist) || IsEqualGUID(iid, IID_IMediaFilter) ||
        IsEqualGUID(iid, IID_IBaseFilter)) {
        *out = static_cast<IBaseFilter*>(this);
        AddRef();
        return S_OK;
    }
    *out = NULL;
    return E_NOINTERFACE;
}

void DisconnectPin(MfPin* pin)
{
    if (pin->allocator) pin->allocator->Decommit();
    ReleaseSlot(pin->allocator);
    ReleaseSlot(pin->input);
    ReleaseSlot(pin->peer);
    FreeTypeFormat(&pin->type);
    ZeroMemory(&pin->type, sizeof(pin->type));
}

STDMETHODIMP_(ULONG) MfSource::Release()
{
    LONG left = InterlockedDecrement(&refs);
    if (left != 0) return (ULONG)left;
    StopStreaming(this);
    DropPending(this);
    for (int i = 0; i < pinCount; i++) {
        DisconnectPin(pins[i]);
        delete pins[i];
    }
    ReleaseSlot(reader);
    ReleaseSlot(clock);
    DeleteCriticalSection(&ReaderLock);
    DeleteCriticalSection(&Lock);
    delete this;
    return 0;
}

STDMETHODIMP MfSource::GetClassID(CLSID* id)
{
    *id = ClsidMfSource;
    return S_OK;
}

STDMETHODIMP MfSource::Stop()
{
    EnterCriticalSection(&Lock);
    StopStreaming(this);
    state = State_Stopped;
    seekedWhileStopped = FALSE;
    LeaveCriticalSection(&Lock);
    return S_OK;
}

STDMETHODIMP MfSource::Pause()
{
    EnterCriticalSection(&Lock);
    if (state == State_Stopped) {
        // Restarted without a seek: the stream times begin anew, so the
        // segment begins where the file stopped.
        if (everStarted && !seekedWhileStopped) {
            LONGLONG resume = pins[0]->position;
            DropPending(this);
            SeekReader(this, resume);
            segmentStart = resume;
        }
        everStarted = TRUE;
        seekedWhileStopped = FALSE;
        StartStreaming(this);
    }
    state = State_Paused;
    LeaveCriticalSection(&Lock);
    return S_OK;
}

STDMETHODIMP MfSource::Run(REFERENCE_TIME)
{
    EnterCriticalSection(&Lock);
    if (state == State_Stopped) Pause();
    state = State_Running;
    LeaveCriticalSection(&Lock);
    return S_OK;
}

STDMETHODIMP MfSource::GetState(DWORD, FILTER_STATE* out)
{
    if (out == NULL) return E_POINTER;
    *out = state;
    return S_OK;
}

STDMETHODIMP MfSource::SetSyncSource(IReferenceClock* newClock)
{
    EnterCriticalSection(&Lock);
    if (newClock) newClock->AddRef();
    ReleaseSlot(clock);
    clock = newClock;
    LeaveCriticalSection(&Lock);
    return S_OK;
}

STDMETHODIMP MfSource::GetSyncSource(IReferenceClock** out)
{
    EnterCriticalSection(&Lock);
    *out = clock;
    if (clock) clock->AddRef();
    LeaveCriticalSection(&Lock);
    return S_OK;
}

STDMETHODIMP MfSource::EnumPins(IEnumPins** out)
{
    return NewEnumPins(this, 0, out);
}

STDMETHODIMP MfSource::FindPin(LPCWSTR id, IPin** out)
{
    for (int i = 0; i < pinCount; i++) {
        if (lstrcmpW(id, PinNames[pins[i]->kind]) == 0) {
            *out = pins[i];
            (*out)->AddRef();
            return S_OK;
        }
    }
    *out = NULL;
    return VFW_E_NOT_FOUND;
}

STDMETHODIMP MfSource::QueryFilterInfo(FILTER_INFO* info)
{
    lstrcpynW(info->achName, name, MAX_FILTER_NAME);
    info->pGraph = graph;
    if (graph) graph->AddRef();
    return S_OK;
}

STDMETHODIMP MfSource::JoinFilterGraph(IFilterGraph* newGraph, LPCWSTR newName)
{
    EnterCriticalSection(&Lock);
    graph = newGraph;
    lstrcpynW(name, newName ? newName : L"", MAX_FILTER_NAME);
    LeaveCriticalSection(&Lock);
    return S_OK;
}

// ---- the pins

STDMETHODIMP MfPin::QueryInterface(REFIID iid, void** out)
{
    if (IsEqualGUID(iid, IID_IUnknown) || IsEqualGUID(iid, IID_IPin)) {
        *out = static_cast<IPin*>(this);
    } else if (IsEqualGUID(iid, IID_IMediaSeeking)) {
        *out = static_cast<IMediaSeeking*>(this);
    } else {
        *out = NULL;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) MfPin::AddRef()
{
    return source->AddRef();
}

STDMETHODIMP_(ULONG) MfPin::Release()
{
    return source->Release();
}

// The renderer's allocator when it has one, else a memory allocator, with
// room for a whole frame or a quarter second of sound per buffer.
HRESULT DecideAllocator(MfPin* pin)
{
    ALLOCATOR_PROPERTIES wanted = {0, 0, 1, 0}, actual;
    pin->input->GetAllocatorRequirements(&wanted);
    long bytes = pin->kind == PinVideo ? pin->type.lSampleSize : (long)(pin->wave.nAvgBytesPerSec / 4);
    long count = pin->kind == PinVideo ? VideoBuffers : AudioBuffers;
    if (bytes < (long)pin->wave.nBlockAlign) bytes = pin->wave.nBlockAlign;
    if (wanted.cbBuffer < bytes) wanted.cbBuffer = bytes;
    if (wanted.cBuffers < count) wanted.cBuffers = count;
    if (wanted.cbAlign < 1) wanted.cbAlign = 1;

    IMemAllocator* allocator = NULL;
    HRESULT hr = pin->input->GetAllocator(&allocator);
    for (int attempt = 0; attempt < 2; attempt++) {
        if (attempt == 1) {
            ReleaseSlot(allocator);
            hr = CoCreateInstance(CLSID_MemoryAllocator, NULL, CLSCTX_INPROC_SERVER, IID_IMemAllocator,
                                  (void**)&allocator);
            if (FAILED(hr)) return hr;
        }
        if (FAILED(hr) || allocator == NULL) continue;
        hr = allocator->SetProperties(&wanted, &actual);
        if (SUCCEEDED(hr) && actual.cbBuffer >= bytes) hr = pin->input->NotifyAllocator(allocator, FALSE);
        else if (SUCCEEDED(hr)) hr = VFW_E_SIZENOTSET;
        if (SUCCEEDED(hr)) {
            pin->allocator = allocator;
            pin->bufferBytes = actual.cbBuffer;
            return S_OK;
        }
    }
    ReleaseSlot(allocator);
    return FAILED(hr) ? hr : VFW_E_NO_ALLOCATOR;
}

STDMETHODIMP MfPin::Connect(IPin* receive, const AM_MEDIA_TYPE* wanted)
{
    if (receive == NULL) return E_POINTER;
    EnterCriticalSection(&source->Lock);
    HRESULT result = VFW_E_NO_ACCEPTABLE_TYPES;
    if (peer) result = VFW_E_ALREADY_CONNECTED;
    else if (source->state != State_Stopped) result = VFW_E_NOT_STOPPED;
    for (int index = 0; result == VFW_E_NO_ACCEPTABLE_TYPES && index < offeredCount; index++) {
        AM_MEDIA_TYPE candidate;
        if (FAILED(BuildType(this, index, &candidate))) break;
        if ((wanted == NULL || MatchesPartly(wanted, &candidate)) &&
            receive->ReceiveConnection(this, &candidate) == S_OK) {
            type = candidate;
            outWidth = decodedWidth;
            outHeight = decodedHeight;
            if (kind == PinVideo) AdoptVideoType(this, &type);
            peer = receive;
            peer->AddRef();
            HRESULT hr = receive->QueryInterface(IID_IMemInputPin, (void**)&input);
            if (SUCCEEDED(hr)) hr = DecideAllocator(this);
            if (SUCCEEDED(hr)) {
                result = S_OK;
                break;
            }
            receive->Disconnect();
            DisconnectPin(this);
            continue;
        }
        FreeTypeFormat(&candidate);
    }
    LeaveCriticalSection(&source->Lock);
    return result;
}

STDMETHODIMP MfPin::Disconnect()
{
    EnterCriticalSection(&source->Lock);
    HRESULT hr = S_OK;
    if (peer == NULL) hr = S_FALSE;
    else if (source->state != State_Stopped) hr = VFW_E_NOT_STOPPED;
    else DisconnectPin(this);
    LeaveCriticalSection(&source->Lock);
    return hr;
}

STDMETHODIMP MfPin::ConnectedTo(IPin** pin)
{
    EnterCriticalSection(&source->Lock);
    *pin = peer;
    if (peer) peer->AddRef();
    LeaveCriticalSection(&source->Lock);
    return *pin ? S_OK : VFW_E_NOT_CONNECTED;
}

STDMETHODIMP MfPin::ConnectionMediaType(AM_MEDIA_TYPE* out)
{
    EnterCriticalSection(&source->Lock);
    HRESULT hr = peer ? CopyType(out, &type) : VFW_E_NOT_CONNECTED;
    if (peer == NULL) ZeroMemory(out, sizeof(*out));
    LeaveCriticalSection(&source->Lock);
    return hr;
}

STDMETHODIMP MfPin::QueryPinInfo(PIN_INFO* info)
{
    info->pFilter = source;
    source->AddRef();
    info->dir = PINDIR_OUTPUT;
    lstrcpynW(info->achName, PinNames[kind], MAX_PIN_NAME);
    return S_OK;
}

STDMETHODIMP MfPin::QueryDirection(PIN_DIRECTION* direction)
{
    *direction = PINDIR_OUTPUT;
    return S_OK;
}

STDMETHODIMP MfPin::QueryId(LPWSTR* id)
{
    size_t bytes = (lstrlenW(PinNames[kind]) + 1) * sizeof(WCHAR);
    *id = (LPWSTR)CoTaskMemAlloc(bytes);
    if (*id == NULL) return E_OUTOFMEMORY;
    memcpy(*id, PinNames[kind], bytes);
    return S_OK;
}

STDMETHODIMP MfPin::QueryAccept(const AM_MEDIA_TYPE* wanted)
{
    for (int index = 0; index < offeredCount; index++) {
        AM_MEDIA_TYPE candidate;
        if (FAILED(BuildType(this, index, &candidate))) return S_FALSE;
        BOOL same = IsEqualGUID(wanted->majortype, candidate.majortype) &&
                    IsEqualGUID(wanted->subtype, candidate.subtype);
        FreeTypeFormat(&candidate);
        if (same) return S_OK;
    }
    return S_FALSE;
}

STDMETHODIMP MfPin::EnumMediaTypes(IEnumMediaTypes** types)
{
    return NewEnumTypes(this, 0, types);
}

const DWORD SeekingCapabilities = AM_SEEKING_CanSeekAbsolute | AM_SEEKING_CanSeekForwards |
                                  AM_SEEKING_CanSeekBackwards | AM_SEEKING_CanGetCurrentPos |
                                  AM_SEEKING_CanGetStopPos | AM_SEEKING_CanGetDuration;

STDMETHODIMP MfPin::GetCapabilities(DWORD* capabilities)
{
    *capabilities = SeekingCapabilities;
    return S_OK;
}

STDMETHODIMP MfPin::CheckCapabilities(DWORD* capabilities)
{
    DWORD asked = *capabilities;
    *capabilities &= SeekingCapabilities;
    if (*capabilities == asked) return S_OK;
    return *capabilities ? S_FALSE : E_FAIL;
}

STDMETHODIMP MfPin::IsFormatSupported(const GUID* format)
{
    return IsEqualGUID(*format, TIME_FORMAT_MEDIA_TIME) ? S_OK : S_FALSE;
}

STDMETHODIMP MfPin::QueryPreferredFormat(GUID* format)
{
    *format = TIME_FORMAT_MEDIA_TIME;
    return S_OK;
}

STDMETHODIMP MfPin::GetTimeFormat(GUID* format)
{
    *format = TIME_FORMAT_MEDIA_TIME;
    return S_OK;
}

STDMETHODIMP MfPin::IsUsingTimeFormat(const GUID* format)
{
    return IsFormatSupported(format);
}

STDMETHODIMP MfPin::SetTimeFormat(const GUID* format)
{
    return IsEqualGUID(*format, TIME_FORMAT_MEDIA_TIME) ? S_OK : E_INVALIDARG;
}

STDMETHODIMP MfPin::GetDuration(LONGLONG* duration)
{
    *duration = source->duration;
    return S_OK;
}

STDMETHODIMP MfPin::GetStopPosition(LONGLONG* stop)
{
    *stop = source->segmentStop;
    return S_OK;
}

STDMETHODIMP MfPin::GetCurrentPosition(LONGLONG* current)
{
    *current = position;
    return S_OK;
}

STDMETHODIMP MfPin::ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat, LONGLONG from,
                                      const GUID* sourceFormat)
{
    BOOL mediaTime = (targetFormat == NULL || IsEqualGUID(*targetFormat, TIME_FORMAT_MEDIA_TIME)) &&
                     (sourceFormat == NULL || IsEqualGUID(*sourceFormat, TIME_FORMAT_MEDIA_TIME));
    if (!mediaTime) return E_INVALIDARG;
    *target = from;
    return S_OK;
}

LONGLONG NewPosition(LONGLONG requested, DWORD flags, LONGLONG now, LONGLONG base)
{
    switch (flags & AM_SEEKING_PositioningBitsMask) {
    case AM_SEEKING_AbsolutePositioning: return requested;
    case AM_SEEKING_RelativePositioning: return now + requested;
    case AM_SEEKING_IncrementalPositioning: return base + requested;
    default: return now;
    }
}

STDMETHODIMP MfPin::SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop, DWORD stopFlags)
{
    DWORD currentHow = currentFlags & AM_SEEKING_PositioningBitsMask;
    DWORD stopHow = stopFlags & AM_SEEKING_PositioningBitsMask;
    if ((currentHow != AM_SEEKING_NoPositioning && current == NULL) ||
        (stopHow != AM_SEEKING_NoPositioning && stop == NULL))
        return E_POINTER;
    LONGLONG oldStart = source->segmentStart, oldStop = source->segmentStop;
    LONGLONG newStart = currentHow == AM_SEEKING_NoPositioning ? oldStart
                                                              : NewPosition(*current, currentFlags, position, 0);
    LONGLONG newStop = NewPosition(stop ? *stop : 0, stopFlags, oldStop, newStart);
    if (newStart < 0) newStart = 0;
    if (source->duration > 0 && newStart > source->duration) newStart = source->duration;
    if (newStop < newStart) newStop = newStart;

    HRESULT hr = S_OK;
    if (currentHow != AM_SEEKING_NoPositioning)
        hr = SeekSource(source, newStart, newStop);
    else
        source->segmentStop = newStop;
    if (current && (currentFlags & AM_SEEKING_ReturnTime)) *current = newStart;
    if (stop && (stopFlags & AM_SEEKING_ReturnTime)) *stop = newStop;
    return hr;
}

STDMETHODIMP MfPin::GetPositions(LONGLONG* current, LONGLONG* stop)
{
    if (current) *current = position;
    if (stop) *stop = source->segmentStop;
    return S_OK;
}

STDMETHODIMP MfPin::GetAvailable(LONGLONG* earliest, LONGLONG* latest)
{
    if (earliest) *earliest = 0;
    if (latest) *latest = source->duration;
    return S_OK;
}

STDMETHODIMP MfPin::GetRate(double* rate)
{
    *rate = 1.0;
    return S_OK;
}

STDMETHODIMP MfPin::GetPreroll(LONGLONG* preroll)
{
    *preroll = 0;
    return S_OK;
}

// ---- Media Foundation in the process

BOOL MediaFoundationStarted;

HRESULT StartMediaFoundation()
{
    if (MediaFoundationStarted) return S_OK;
    HRESULT hr = MFStartup(MF_VERSION, MFSTARTUP_LITE);
    if (SUCCEEDED(hr)) MediaFoundationStarted = TRUE;
    return hr;
}

// A filter opened by an attempt that the exception guard left: released by
// the next one, so that nothing stays behind.
IBaseFilter* volatile OpenedSource;

void ReleaseOpenedSource(int number)
{
    IBaseFilter* source = OpenedSource;
    OpenedSource = NULL;
    ReleaseGuarded(number, source);
}

HRESULT NewSource(const WCHAR* path, BOOL* opened, MfSource** out)
{
    *out = NULL;
    *opened = FALSE;
    HRESULT hr = StartMediaFoundation();
    if (FAILED(hr)) return hr;
    MfSource* source = new (std::nothrow) MfSource();
    if (source == NULL) return E_OUTOFMEMORY;
    source->refs = 1;
    source->state = State_Stopped;
    InitializeCriticalSection(&source->Lock);
    InitializeCriticalSection(&source->ReaderLock);
    OpenedSource = source;
    hr = OpenSource(source, path, opened);
    *out = source;
    return hr;
}

}  // namespace

HRESULT RenderMediaFile(IGraphBuilder* volatile* graph, const WCHAR* path, int number, int* failedStep)
{
    ReleaseOpenedSource(number);
    *failedStep = RenderStepGraph;
    IGraphBuilder* builder = NULL;
    HRESULT hr = CreateGraphBuilder(&builder);
    *graph = builder;
    if (FAILED(hr)) return hr;
    *failedStep = RenderStepRenderFile;
    HRESULT rendered = builder->RenderFile(path, NULL);
    if (SUCCEEDED(rendered)) return S_OK;

    // The file is tried with Media Foundation before the failed graph goes,
    // so a file that nothing opens costs no second graph.
    BOOL opened = FALSE;
    MfSource* source = NULL;
    hr = NewSource(path, &opened, &source);
    if (FAILED(hr)) {
        ReleaseOpenedSource(number);
        if (!opened) return rendered;
        *failedStep = RenderStepMediaFoundation;
        return hr;
    }

    // Whatever the failed attempt left in its graph goes with it.
    *graph = NULL;
    ReleaseGuarded(number, builder);
    *failedStep = RenderStepGraph;
    builder = NULL;
    hr = CreateGraphBuilder(&builder);
    *graph = builder;
    if (FAILED(hr)) {
        ReleaseOpenedSource(number);
        return hr;
    }
    *failedStep = RenderStepMediaFoundation;
    hr = builder->AddFilter(source, L"Media Foundation Source");
    ReleaseOpenedSource(number);  // the graph holds it now, or nobody does
    if (FAILED(hr)) return hr;

    // A stream the graph cannot render is left out (sound without a sound
    // device); the file plays when one of them renders.
    HRESULT pinResult = VFW_E_CANNOT_RENDER;
    for (int i = 0; i < source->pinCount; i++) {
        hr = builder->Render(source->pins[i]);
        if (SUCCEEDED(hr)) pinResult = S_OK;
        else if (pinResult != S_OK) pinResult = hr;
    }
    return SUCCEEDED(pinResult) ? S_FALSE : pinResult;
}

void ShutdownMediaFoundation()
{
    if (!MediaFoundationStarted) return;
    MFShutdown();
    MediaFoundationStarted = FALSE;
}
