// Media Foundation source: a DirectShow source filter that reads a file
// through the Source Reader (first video and first audio stream, decoded)
// and pushes frames and PCM down one output pin per stream, each from a
// streaming thread of its own. The graph renders the pins with its usual
// renderers, so the rest of the player sees an ordinary graph. This file:
// opening the reader, the streaming threads, and the graph around it.
#include "vlm_dx.h"
#include "vlm_dx_mffilter.h"
#include <mfapi.h>
#include <mferror.h>
#include <new>
#include <string.h>

// ---- the reader

static HRESULT ReadSample(MfSource* source, MfPin* pin, IMFSample** sample, DWORD* flags, LONGLONG* time)
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
static HRESULT ReadVideoLayout(MfSource* source, MfPin* pin)
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

static HRESULT SetupVideo(MfSource* source, MfPin* pin)
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

static HRESULT SetupAudio(MfSource* source, MfPin* pin)
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

static MfPin* NewPin(MfSource* source, int kind)
{
    MfPin* pin = new (std::nothrow) MfPin();
    if (pin == NULL) return NULL;
    pin->source = source;
    pin->kind = kind;
    return pin;
}

// Opens the file: *opened says whether the reader could read it at all.
// A video that cannot be decoded fails the file (its sound alone would be
// a black screen); sound that cannot be is left out. The first sample of
// each stream is read here, so that a file that cannot be decoded fails
// now rather than later.
static HRESULT OpenSource(MfSource* source, const WCHAR* path, BOOL* opened)
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
            delete pin;
            if (kind == PinVideo) return hr;
            source->reader->SetStreamSelection(PinStreams[kind], FALSE);
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
    // A file that does not tell its length plays until its streams end.
    source->segmentStop = source->duration > 0 ? source->duration : MAXLONGLONG / 2;
    return S_OK;
}

// ---- streaming

// Stamps a filled buffer of the renderer's with its times and hands it
// over; the buffer is released either way.
static int SendSample(MfPin* pin, IMediaSample* out, long bytes, LONGLONG start, LONGLONG end, LONGLONG time,
                      BOOL* discontinuity)
{
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

// Copies one decoded frame into a buffer of the renderer and sends it.
static int DeliverVideo(MfPin* pin, IMFSample* sample, LONGLONG time, BOOL* discontinuity)
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
            pitch = PitchOfBuffer(pin->decodedPixel, length, pin->decodedRows, pin->decodedPitch);
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
    return SendSample(pin, out, bytes, start, end, time, discontinuity);
}

// Sends one sample of PCM, in as many buffers of the renderer as it takes.
static int DeliverAudio(MfPin* pin, IMFSample* sample, LONGLONG time, BOOL* discontinuity)
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
        result = SendSample(pin, out, (long)size, start, end, time, discontinuity);
    }
    buffer->Unlock();
    buffer->Release();
    return result;
}

static DWORD WINAPI StreamThread(void* argument)
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

// ---- Media Foundation in the process

static BOOL MediaFoundationStarted;

static HRESULT StartMediaFoundation()
{
    if (MediaFoundationStarted) return S_OK;
    HRESULT hr = MFStartup(MF_VERSION, MFSTARTUP_LITE);
    if (SUCCEEDED(hr)) MediaFoundationStarted = TRUE;
    return hr;
}

// A filter opened by an attempt that the exception guard left: released by
// the next one, so that nothing stays behind.
static IBaseFilter* volatile OpenedSource;

static void ReleaseOpenedSource(int number)
{
    IBaseFilter* source = OpenedSource;
    OpenedSource = NULL;
    ReleaseGuarded(number, source);
}

static HRESULT NewSource(const WCHAR* path, BOOL* opened, MfSource** out)
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
