// Media Foundation source, the DirectShow side: the filter, its output
// pins with their media types and allocators, and the seeking the renderers
// pass up to the pins.
#include "vlm_dx.h"
#include "vlm_dx_mffilter.h"
#include <dvdmedia.h>
#include <new>
#include <string.h>

namespace {

// {6B0F2C1E-54A9-4C3E-9E57-1D8A2F3B7C41}
const CLSID ClsidMfSource = {0x6b0f2c1e, 0x54a9, 0x4c3e, {0x9e, 0x57, 0x1d, 0x8a, 0x2f, 0x3b, 0x7c, 0x41}};

}  // namespace

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
static HRESULT BuildType(const MfPin* pin, int index, AM_MEDIA_TYPE* type)
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

static BOOL MatchesPartly(const AM_MEDIA_TYPE* wanted, const AM_MEDIA_TYPE* type)
{
    return (IsEqualGUID(wanted->majortype, GUID_NULL) || IsEqualGUID(wanted->majortype, type->majortype)) &&
           (IsEqualGUID(wanted->subtype, GUID_NULL) || IsEqualGUID(wanted->subtype, type->subtype)) &&
           (IsEqualGUID(wanted->formattype, GUID_NULL) || IsEqualGUID(wanted->formattype, type->formattype));
}

static int PixelOfMediaSubtype(const GUID& subtype)
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

namespace {

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

}  // namespace

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

static void DisconnectPin(MfPin* pin)
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
static HRESULT DecideAllocator(MfPin* pin)
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

static const DWORD SeekingCapabilities = AM_SEEKING_CanSeekAbsolute | AM_SEEKING_CanSeekForwards |
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

static LONGLONG NewPosition(LONGLONG requested, DWORD flags, LONGLONG now, LONGLONG base)
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

