#include "AuPipeline.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

int64_t RoundHalfEven(double value) { return static_cast<int64_t>(std::nearbyint(value)); }

// ---------------------------------------------------------------------------------------------
// TAuInput

void TAuInput::Init() {
    std::lock_guard lock(DataCS);
    _EndOfStream = false;
    try {
        DoInit();
    } catch (const std::exception& e) {
        _EndOfStream = true;
        throw EAuException(e.what());
    }
}

void TAuInput::Flush() {
    std::lock_guard lock(DataCS);
    DoFlush();
}

void TAuInput::GetData(void*& Buffer, uint32_t& Bytes) {
    std::lock_guard lock(DataCS);
    DoGetData(Buffer, Bytes);
}

namespace {

// Appends pulls until BufferSize bytes are in or a pull yields nothing.
template <class Pull>
int32_t FillFrom(Pull pull, void* Buffer, int32_t BufferSize, bool& EndOf) {
    EndOf = BufferSize <= 0;
    int32_t total = 0;
    auto* out = static_cast<uint8_t*>(Buffer);
    while (total < BufferSize) {
        void* data = nullptr;
        uint32_t bytes = static_cast<uint32_t>(BufferSize - total);
        pull(data, bytes);
        if (bytes == 0) {
            EndOf = true;
            break;
        }
        std::memcpy(out + total, data, bytes);
        total += static_cast<int32_t>(bytes);
    }
    return total;
}

} // namespace

int32_t TAuInput::FillBuffer(void* Buffer, int32_t BufferSize, bool& EndOf) {
    return FillFrom([this](void*& data, uint32_t& bytes) { GetData(data, bytes); }, Buffer, BufferSize,
                    EndOf);
}

int32_t TAuInput::FillBufferUnprotected(void* Buffer, int32_t BufferSize, bool& EndOf) {
    EndOf = false;
    if (Buffer == nullptr) return 0;
    std::lock_guard lock(DataCS);
    const int32_t total =
        FillFrom([this](void*& data, uint32_t& bytes) { DoGetData(data, bytes); }, Buffer, BufferSize, EndOf);
    FPosition += total;
    return total;
}

void TAuInput::Reset() {
    try {
        Flush();
    } catch (...) {
    }
    Busy = false;
}

// ---------------------------------------------------------------------------------------------
// TAuConverter

TAuConverter::~TAuConverter() { NotifyDestruction(); }

void TAuConverter::SetInput(TAuInput* Value) {
    if (Value == this) return;
    std::lock_guard lock(DataCS);
    TAuInput* old = FInput;
    if (Busy) {
        if (old) old->Flush();
        if (Value) Value->Init();
    }
    if (old && old != Value) RemoveFreeNotification(old);
    FInput = Value;
    if (Value) FreeNotification(Value);
}

void TAuConverter::Notification(TComponent* AComponent, TOperation Operation) {
    if (Operation == opRemove && AComponent == FInput.load()) SetInput(nullptr);
}

uint32_t TAuConverter::GetBitsPerSample() {
    TAuInput* input = FInput;
    if (!input) return 0;
    const uint32_t bits = input->BitsPerSample();
    return FFloatRequested ? bits : bits & ~0x80u;
}

uint32_t TAuConverter::GetChannels() {
    TAuInput* input = FInput;
    return input ? input->Channels() : 0;
}

uint32_t TAuConverter::GetSampleRate() {
    TAuInput* input = FInput;
    return input ? input->SampleRate() : 0;
}

void TAuConverter::GetData(void*& Buffer, uint32_t& Bytes) {
    std::lock_guard lock(DataCS);
    if (_EndOfStream) {
        Buffer = nullptr;
        Bytes = 0;
        return;
    }
    DoGetData(Buffer, Bytes);
    if (TAuInput* input = FInput) FPosition = input->Position();
    const int64_t size = FSize;
    if (size > 0 && FPosition > size) {
        const int64_t excess = FPosition - size;
        Bytes = excess >= Bytes ? 0 : Bytes - static_cast<uint32_t>(excess);
        _EndOfStream = true;
    }
    if (Bytes == 0) _EndOfStream = true;
}

void TAuConverter::_Pause() {
    if (TAuInput* input = FInput) input->_Pause();
}

void TAuConverter::_Resume() {
    if (TAuInput* input = FInput) input->_Resume();
}

void TAuConverter::_Jump(int32_t Offs) {
    if (TAuInput* input = FInput) input->_Jump(Offs);
}

void TAuConverter::_Interrupt() {
    if (TAuInput* input = FInput) input->_Interrupt();
}

bool TAuConverter::_AwaitingData() const {
    const TAuInput* input = FInput;
    return input && input->_AwaitingData();
}

// ---------------------------------------------------------------------------------------------
// TAuThread

TAuThread::TAuThread(TAuOutput* parent) : Parent(parent) { FThread = std::thread(&TAuThread::Execute, this); }

TAuThread::~TAuThread() {
    Terminate();
    if (FThread.joinable()) FThread.join();
}

void TAuThread::Terminate() {
    FTerminated = true;
    SoftWake();
}

namespace {
// An idle or paused worker looks at its flags this often even when nobody wakes it (ms).
constexpr int FlagCheckMs = 1000;
// How often Pause looks whether the run has ended or is held (ms).
constexpr int PauseCheckMs = 10;
constexpr int PauseLimitMs = 5000;
} // namespace

void TAuThread::SoftSleep() {
    Sleeping = true;
    SoftSleepEvent.WaitFor(FlagCheckMs);
    Sleeping = false;
}

void TAuThread::PauseIfAsked() {
    {
        std::lock_guard lock(FPauseLock);
        if (!SetPause) return;
        SoftSleepEvent.ResetEvent();
        Paused = true;
        SetPause = false;
    }
    PauseEvent.SetEvent();
    // Stop sets its flag before it looks at Paused, so one of the two always sees the other.
    while (Paused && !Stop && !FTerminated)
        if (SoftSleepEvent.WaitFor(FlagCheckMs)) break;
    Paused = false;
}

bool TAuThread::PauseRequestedOrHeld() {
    std::lock_guard lock(FPauseLock);
    return SetPause || Paused;
}

bool TAuThread::CancelPendingPause() {
    std::lock_guard lock(FPauseLock);
    if (!SetPause) return Paused;
    SetPause = false;
    return false;
}

bool TAuThread::WaitForPause() {
    using namespace std::chrono;
    const auto deadline = steady_clock::now() + milliseconds(PauseLimitMs);
    while (steady_clock::now() < deadline) {
        if (PauseEvent.WaitFor(PauseCheckMs)) return true;
        // A run that is ending never reaches its pause point.
        if (Stop || !Parent->Busy) return false;
        // A pull waiting for data holds the worker as well as its pause point would.
        if (const TAuInput* input = Parent->Input(); input && input->_AwaitingData()) return true;
    }
    return true; // the worker will pause after its chunk; the input is held meanwhile
}

void TAuThread::SetPriority(TThreadPriority priority) {
    FPriority = priority;
    ApplyPriority();
}

void TAuThread::ApplyPriority() {
    static constexpr int niceness[] = {19, 10, 5, 0, -5, -10, -15};
    const int tid = FTid;
    // Raising the priority needs a privilege the user may not have; a refusal is ignored.
    if (tid != 0) (void)setpriority(PRIO_PROCESS, static_cast<id_t>(tid), niceness[FPriority.load()]);
}

void TAuThread::Execute() {
    SetThreadRole(TThreadRole::Worker);
    FTid = static_cast<int>(syscall(SYS_gettid));
    ApplyPriority();
    // A run is the worker's when Run asked for it: a run of its own serial. A wake-up with no Run
    // behind it (a stale signal, or a BlockingRun under way in the caller's thread, which is busy
    // too) sends the worker back to sleep.
    uint64_t ran = 0; // no Run yet: the first makes serial 1
    const auto asked = [this, &ran] { return !FTerminated && Parent->Busy && Parent->FRunSerial != ran; };
    while (!FTerminated) {
        do SoftSleep();
        while (!FTerminated && !asked());
        while (asked()) { // a Run that came after the end of the last run is taken at once
            ran = Parent->FRunSerial;
            RunOnce();
        }
        Stopped = true;
    }
}

void TAuThread::RunOnce() {
    AssertThreadRole(TThreadRole::Worker, "A sink's run");
    TAuOutput& S = *Parent;
    const uint64_t run = S.FRunSerial;
    TEventHandler& events = *S.FEvents;
    bool failed = false;
    try {
        S.DoPrepare();
        S.CanOutput = true;
        Paused = false;
        bool more = true;
        while (more && !Stop) {
            const int32_t delay = Delay;
            if (delay > 5) std::this_thread::sleep_for(std::chrono::milliseconds(delay));
            const int32_t progress = S.Progress();
            if (progress != S.CurProgr) {
                S.CurProgr = progress;
                if (TOutputProgressEvent handler = S.OnProgress())
                    events.PostOnProgress(&S, run, std::move(handler));
            }
            PauseIfAsked();
            more = S.DoChunk(Stop);
        }
        Stop = false;
    } catch (const std::exception& e) {
        failed = true;
        std::lock_guard lock(S.FMessageLock);
        S.FExceptionMessage = e.what();
    } catch (...) {
        failed = true;
        std::lock_guard lock(S.FMessageLock);
        S.FExceptionMessage = "Unknown error in the audio worker thread";
    }
    if (!S.FinishRun()) failed = true;
    if (failed)
        if (TThreadExceptionEvent handler = S.OnThreadException())
            events.PostGenericEvent(&S, run, std::move(handler));
    if (TOutputDoneEvent handler = S.OnSyncDone()) handler(&S);
    events.PostOnDone(&S, run);
}

// ---------------------------------------------------------------------------------------------
// TAuOutput

TAuOutput::TAuOutput(TComponent* AOwner) : TComponent(AOwner), FEvents(&TEventHandler::Acquire()) {
    Thread = std::make_unique<TAuThread>(this);
}

TAuOutput::~TAuOutput() {
    ShutdownThread();
    NotifyDestruction();
}

void TAuOutput::ShutdownThread() {
    if (!Thread) return;
    MarkDestroying();
    try {
        Stop(false);
    } catch (const EAuException&) {
        // The run did not end in time; the worker is told to end and joined all the same.
    }
    Thread.reset();
    FEvents->Forget(this);
    FEvents = nullptr;
    TEventHandler::Release();
}

void TAuOutput::SetInput(TAuInput* Value) {
    TAuInput* old = FInput;
    const bool wasBusy = Busy;
    if (wasBusy) Stop(false);
    if (old && old != Value) RemoveFreeNotification(old);
    FInput = Value;
    if (Value) FreeNotification(Value);
    if (wasBusy && Value) Run();
}

void TAuOutput::Notification(TComponent* AComponent, TOperation Operation) {
    if (Operation == opRemove && AComponent == FInput.load()) SetInput(nullptr);
}

void TAuOutput::Run() {
    AssertMainThread("Run");
    std::lock_guard lock(RunCS);
    {
        std::lock_guard messageLock(FMessageLock);
        FExceptionMessage.clear();
    }
    if (Busy) throw EAuException("Component is Busy");
    if (FInput.load() == nullptr) throw EAuException("Input is not assigned");
    Thread->Stop = false;
    Thread->Stopped = false;
    // Cleared here rather than by the worker, so that a Pause right after Run is not lost.
    Thread->CancelPendingPause();
    Thread->PauseEvent.ResetEvent();
    ++FRunSerial;
    Busy = true;
    Thread->SoftWake();
}

void TAuOutput::Stop(bool Async) {
    if (Thread->IsWorker()) throw EAuException("You are trying to stop this thread from the thread itself!");
    AssertMainThread("Stop");
    // A synchronous stop silences the run it ends, before the run can post anything more.
    const bool running = Busy;
    const bool silence = !Async && running;
    const uint64_t run = FRunSerial;
    if (silence) {
        FEvents->BlockEvents(this, run);
        FEvents->ClearEvents(this, run);
    }
    Thread->Stop = true;
    // A pull that waits for data (a stalled input) ends at once.
    if (TAuInput* input = FInput; input && running) input->_Interrupt();
    while (Thread->Paused) {
        Thread->SoftWake();
        YieldBriefly();
    }
    const bool ended = Async || WaitUntilIdle();
    if (silence) FEvents->UnblockEvents(this, run);
    if (!ended) throw EAuException("The run did not stop in time");
}

bool TAuOutput::WaitUntilIdle() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(StopTimeoutMs);
    // Busy covers a worker that Run has woken but that has not left its sleep yet. The main
    // thread's queued calls are not run meanwhile: a worker never waits for them, and a handler
    // run here could start again the very sink being stopped.
    while (Busy || (!Thread->Sleeping && !Thread->Stopped)) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        YieldBriefly();
    }
    return true;
}

void TAuOutput::Pause() {
    AssertMainThread("Pause");
    if (FInput.load() == nullptr) throw EAuException("Input is not assigned.");
    if (!Busy || Thread->PauseRequestedOrHeld()) return;
    Thread->SetPause = true;
    if (!Thread->WaitForPause()) return; // the run is ending; there is nothing to hold
    if (Thread->Paused) DoPause();
    FInput.load()->_Pause();
}

void TAuOutput::Resume() {
    AssertMainThread("Resume");
    if (!Busy || !Thread->PauseRequestedOrHeld()) return;
    if (TAuInput* input = FInput) input->_Resume();
    DoResume();
    // A worker still on its way to the pause point does not stop there; one that is parked is woken.
    if (!Thread->CancelPendingPause()) return;
    while (Thread->Paused) {
        Thread->SoftWake();
        YieldBriefly();
    }
}

void TAuOutput::BlockingRun() {
    Busy = true;
    try {
        DoPrepare();
        CanOutput = true;
        while (DoChunk(false)) {
        }
    } catch (...) {
        FinishRun();
        throw;
    }
    if (!FinishRun()) throw EAuLostAudio(ExceptionMessage());
}

bool TAuOutput::FinishRun() {
    if (!Busy) return true;
    CanOutput = false;
    bool kept = true;
    try {
        DoFinish();
    } catch (const EAuLostAudio& e) {
        kept = false;
        std::lock_guard lock(FMessageLock);
        if (FExceptionMessage.empty()) FExceptionMessage = e.what();
    } catch (...) {
        // Other errors while closing a run are not reported; the sink still becomes idle.
    }
    Busy = false;
    return kept;
}

TOutputStatus TAuOutput::Status() const {
    if (!Busy) return tosIdle;
    return Thread->PauseRequestedOrHeld() ? tosPaused : tosPlaying;
}

int32_t TAuOutput::Progress() const {
    TAuInput* input = FInput;
    if (!input) return 0;
    const int64_t size = input->Size();
    const auto low = static_cast<int32_t>(static_cast<uint32_t>(size));
    if (low == -1) return -1;
    if (low == 0) return 0;
    return static_cast<int32_t>(RoundHalfEven(static_cast<double>(input->Position()) / size * 100.0));
}

int32_t TAuOutput::TimeElapsed() const {
    TAuInput* input = FInput;
    if (!input) return 0;
    const double bytesPerSecond =
        static_cast<double>(input->BitsPerSample() / 8) * input->Channels() * input->SampleRate();
    if (bytesPerSecond <= 0) return 0;
    return static_cast<int32_t>(RoundHalfEven(input->Position() / bytesPerSecond));
}

void TAuOutput::SetDelay(int32_t value) {
    if (Thread && value <= 100) Thread->Delay = value;
}

std::string TAuOutput::ExceptionMessage() const {
    std::lock_guard lock(FMessageLock);
    return FExceptionMessage;
}

void TAuOutput::SetHandler(TGenericEvent& field, TGenericEvent handler) {
    std::lock_guard lock(FHandlersLock);
    field = std::move(handler);
}

TGenericEvent TAuOutput::Handler(const TGenericEvent& field) const {
    std::lock_guard lock(FHandlersLock);
    return field;
}

TOutputDoneEvent TAuOutput::OnDone() const { return Handler(FOnDone); }
void TAuOutput::SetOnDone(TOutputDoneEvent handler) { SetHandler(FOnDone, std::move(handler)); }
TOutputProgressEvent TAuOutput::OnProgress() const { return Handler(FOnProgress); }
void TAuOutput::SetOnProgress(TOutputProgressEvent handler) { SetHandler(FOnProgress, std::move(handler)); }
TThreadExceptionEvent TAuOutput::OnThreadException() const { return Handler(FOnThreadException); }
void TAuOutput::SetOnThreadException(TThreadExceptionEvent handler) {
    SetHandler(FOnThreadException, std::move(handler));
}
TOutputDoneEvent TAuOutput::OnSyncDone() const { return Handler(FOnSyncDone); }
void TAuOutput::SetOnSyncDone(TOutputDoneEvent handler) { SetHandler(FOnSyncDone, std::move(handler)); }

// ---------------------------------------------------------------------------------------------
// TEventHandler

namespace {
std::mutex globalHandlerLock; // guards globalHandler and globalHandlerRefs
TEventHandler* globalHandler = nullptr;
int globalHandlerRefs = 0;
} // namespace

TEventHandler& TEventHandler::Acquire() {
    std::lock_guard lock(globalHandlerLock);
    if (globalHandlerRefs++ == 0) globalHandler = new TEventHandler();
    return *globalHandler;
}

void TEventHandler::Release() {
    TEventHandler* last = nullptr;
    {
        std::lock_guard lock(globalHandlerLock);
        if (--globalHandlerRefs == 0) std::swap(last, globalHandler);
    }
    delete last;
}

TEventHandler::TEventHandler() { FThread = std::thread(&TEventHandler::Execute, this); }

TEventHandler::~TEventHandler() {
    FTerminated = true;
    _Evt.SetEvent();
    // The thread may be waiting for the main thread to run a delivery.
    while (!FFinished) {
        if (IsMainThread()) CheckSynchronize();
        YieldBriefly();
    }
    FThread.join();
}

void TEventHandler::Post(TEventRecord record) {
    {
        std::lock_guard lock(CS);
        const auto key = std::make_pair(record.Sender, record.Run);
        if (std::find(Blocked.begin(), Blocked.end(), key) != Blocked.end()) return;
        Events.push_back(std::move(record));
    }
    _Evt.SetEvent();
}

void TEventHandler::PostOnProgress(TComponent* Sender, uint64_t Run, TOutputProgressEvent Handler) {
    Post({etOnProgress, Sender, Run, std::move(Handler)});
}

void TEventHandler::PostOnDone(TComponent* Sender, uint64_t Run) { Post({etOnDone, Sender, Run, {}}); }

void TEventHandler::PostGenericEvent(TComponent* Sender, uint64_t Run, TGenericEvent Handler) {
    Post({etGeneric, Sender, Run, std::move(Handler)});
}

void TEventHandler::ClearEvents(TComponent* Sender, uint64_t Run) {
    std::lock_guard lock(CS);
    std::erase_if(Events, [&](const TEventRecord& r) { return r.Sender == Sender && r.Run == Run; });
}

void TEventHandler::ClearEvents(TComponent* Sender) {
    std::lock_guard lock(CS);
    std::erase_if(Events, [&](const TEventRecord& r) { return r.Sender == Sender; });
}

void TEventHandler::BlockEvents(TComponent* Sender, uint64_t Run) {
    std::lock_guard lock(CS);
    Blocked.emplace_back(Sender, Run);
}

void TEventHandler::UnblockEvents(TComponent* Sender, uint64_t Run) {
    std::lock_guard lock(CS);
    const auto found = std::find(Blocked.begin(), Blocked.end(), std::make_pair(Sender, Run));
    if (found != Blocked.end()) Blocked.erase(found);
}

bool TEventHandler::Delivering(TComponent* Sender) {
    std::lock_guard lock(CS);
    return CurrentSender == Sender;
}

void TEventHandler::Forget(TComponent* Sender) {
    ClearEvents(Sender);
    // A record of it may be on its way to the main thread; let it arrive (it is skipped).
    while (Delivering(Sender)) {
        if (IsMainThread()) CheckSynchronize();
        YieldBriefly();
    }
}

void TEventHandler::Execute() {
    SetThreadRole(TThreadRole::Event);
    while (!FTerminated) {
        for (;;) {
            TEventRecord record;
            {
                std::lock_guard lock(CS);
                if (Events.empty()) break;
                record = std::move(Events.front());
                Events.pop_front();
                CurrentSender = record.Sender;
            }
            Deliver(record);
            std::lock_guard lock(CS);
            CurrentSender = nullptr;
        }
        _Evt.WaitFor(100);
    }
    FFinished = true;
}

void TEventHandler::Deliver(const TEventRecord& record) {
    TComponent* sender = record.Sender;
    // The handler is looked up and called on the main thread, where components are destroyed, so
    // one that has begun to go away is never called back.
    Synchronize([&record, sender] {
        if (sender->Destroying()) return;
        auto* sink = dynamic_cast<TAuOutput*>(sender);
        if (sink) sink->FReportedRun = record.Run;
        const TGenericEvent handler = record._type == etOnDone ? sink->OnDone() : record.Handler;
        if (handler) handler(sender);
    });
}
