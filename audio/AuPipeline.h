#pragma once
// The pull-driven pipeline: sources (TAuInput), filters (TAuConverter) and sinks (TAuOutput).
// A sink owns a worker thread (TAuThread) that pulls chunk after chunk from its input; one
// process-wide event thread (TEventHandler) hands the sinks' notifications to the main thread.
//
// THREADS
// - main: the thread that started the program. Calls Run, Stop, Pause, Resume, SetInput, reads
//   Status, Progress, TimeElapsed, and runs the handlers (OnDone, OnProgress, OnThreadException)
//   from CheckSynchronize. Debug builds assert it at those entry points.
// - worker: one per sink. Runs DoPrepare, DoChunk, DoFinish, hence every source's Init, GetData
//   and Flush, and OnSyncDone. Debug builds assert it where a sink's run is driven.
// - event: one per process. Takes posted records and delivers them with Synchronize.
// - server: the sound server's (or a test platform's) own thread. It only appends to capture
//   rings (TCaptureRing) and posts mixer change reports to the event queue; it never takes an
//   engine lock other than those two leaves.
//
// LOCKS, in the one order they may be nested (a lock is only ever taken while holding locks
// above it in this list; most are never nested at all):
//  1. TAuOutput::RunCS          serialises Run (main)
//  2. TAuInput::DataCS          one per source: Init, Flush and each GetData, taken from the sink
//                               end toward the source end (a filter holds its own, then its
//                               input's). Never taken by the main thread while a run is going,
//                               and a capture waits for sound outside its own.
//  3. TAuStreamedInput::OpenCS  one per file source, around open and close (inside DataCS)
//  4. the server loop's lock    one per server connection (pulse/), held by the server thread
//                               whenever it calls back, and by callers of the server layer
//  5. leaves, never held while anything else is taken or called:
//     TDXAudioIn::FCaptureLock (the open stream), TAudioOut::FStreamLock (its stream's life),
//     TCaptureRing::FLock, the mixer platform's FOpenLock, TAuOutput::FMessageLock,
//     FHandlersLock and FPauseLock, TEventHandler::CS, the event-thread reference lock, the
//     main-thread call queue's lock, every TEvent's lock, and the encoder and tag libraries' lock.
// No handler, callback or platform call is made while holding a lock of this engine; the server
// layer's callbacks run under the server loop's lock (4), which is the server library's own rule.
//
// WAITS, each with its bound:
// - a capture pull: until sound, a stop (_Interrupt), a failure, or TDXAudioIn::StallTimeout;
// - Stop(false) and the destructors: until the worker is idle, at most StopTimeoutMs;
// - Pause: until the worker is held (at its pause point or waiting for sound in a pull), the run
//   ends, or 5 s;
// - Resume: until the worker has left its pause (it is woken, then polls, within milliseconds);
// - Synchronize: until the main thread has run the call (no worker waits for the event thread,
//   so a main thread that waits for a worker never waits for a delivery either);
// - an idle worker and the event thread sleep until woken, looking at their flags every second.

#include "AuComponent.h"
#include "AuSync.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

class EAuException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Raised by a sink's DoFinish when audio already taken could not be kept (the end of a file could
// not be written). Unlike other errors at the end of a run, it is reported like a failed chunk.
class EAuLostAudio : public EAuException {
public:
    using EAuException::EAuException;
};

enum TOutputStatus { tosPlaying, tosPaused, tosIdle };
enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };
enum TEventType : uint8_t { etOnProgress, etOnDone, etGeneric };

class TAuOutput;
class TEventHandler;
using TGenericEvent = std::function<void(TComponent* Sender)>;
using TOutputDoneEvent = TGenericEvent;
using TOutputProgressEvent = TGenericEvent;
using TThreadExceptionEvent = TGenericEvent;

// Rounds to the nearest whole number, halves to the even neighbour.
int64_t RoundHalfEven(double value);

// ---------------------------------------------------------------------------------------------
// Source

class TAuInput : public TComponent {
public:
    explicit TAuInput(TComponent* AOwner = nullptr) : TComponent(AOwner) {}

    uint32_t BitsPerSample() { return GetBitsPerSample(); }
    uint32_t Channels() { return GetChannels(); }
    uint32_t SampleRate() { return GetSampleRate(); }
    uint32_t TotalTime() { return GetTotalTime(); }
    int64_t TotalSamples() { return GetTotalSamples(); }
    int64_t Position() const { return FPosition; }
    int64_t Size() const { return FSize; }
    bool IsBusy() const { return Busy; }
    bool Seekable() const { return FSeekable; }
    bool RequestFloat() const { return FFloatRequested; }
    void SetRequestFloat(bool value) { DoSetRequestFloat(value); }

    // Starts a run. A failing DoInit leaves the source at end of stream and raises its message.
    void Init();
    // Ends a run.
    void Flush();
    // On entry Bytes is the most wanted; on return Buffer points at Bytes bytes owned by the source,
    // valid until the next call. 0 bytes means end of data.
    virtual void GetData(void*& Buffer, uint32_t& Bytes);
    // Pulls until BufferSize bytes are in or the source ends; EndOf tells which.
    int32_t FillBuffer(void* Buffer, int32_t BufferSize, bool& EndOf);
    // The same under one hold of the lock, calling DoGetData directly ("unprotected" from the
    // source's point of view: the lock is taken once, not by each GetData; the name is published).
    int32_t FillBufferUnprotected(void* Buffer, int32_t BufferSize, bool& EndOf);
    virtual void Reset();
    // Told by the sink when it pauses and resumes.
    virtual void _Pause() {}
    virtual void _Resume() {}
    // Relative seek in thousandths of the whole stream.
    virtual void _Jump(int32_t /*Offs*/) {}
    // Told by the sink, from any thread, when it is asked to stop: a source that waits for data
    // stops waiting, and its data ends. Must not block.
    virtual void _Interrupt() {}
    // True while a pull waits inside the source for data to arrive (a pause can hold it there).
    virtual bool _AwaitingData() const { return false; }

protected:
    virtual uint32_t GetBitsPerSample() = 0;
    virtual uint32_t GetChannels() = 0;
    virtual uint32_t GetSampleRate() = 0;
    virtual uint32_t GetTotalTime() { return 0; }
    virtual int64_t GetTotalSamples() { return 0; }
    virtual void DoInit() = 0;
    virtual void DoFlush() = 0;
    virtual void DoGetData(void*& Buffer, uint32_t& Bytes) = 0;
    virtual void DoSetRequestFloat(bool value) { FFloatRequested = value; }

    // Written by the pulling worker, read by any thread (Progress, TimeElapsed).
    std::atomic<int64_t> FPosition{0}; // bytes delivered since Init, seek or loop
    std::atomic<int64_t> FSize{0};     // bytes the run will deliver; -1 unknown or endless, 0 not known
    uint16_t FSampleSize = 0;          // bytes per sample frame (file sources)
    bool FSeekable = false;
    std::atomic<bool> Busy{false};     // between Init and Flush; written under DataCS
    uint32_t BufStart = 0, BufEnd = 0; // read cursor into the source's own buffer; under DataCS
    std::recursive_mutex DataCS;       // the input's lock
    std::atomic<bool> _EndOfStream{false};
    std::atomic<bool> FFloatRequested{false};
};

// ---------------------------------------------------------------------------------------------
// Filter

class TAuConverter : public TAuInput {
public:
    explicit TAuConverter(TComponent* AOwner = nullptr) : TAuInput(AOwner) {}
    ~TAuConverter() override;

    TAuInput* Input() const { return FInput; }
    // A filter is never its own input. A busy filter flushes the old input and starts the new one.
    virtual void SetInput(TAuInput* Value);
    void GetData(void*& Buffer, uint32_t& Bytes) override;
    void _Pause() override;
    void _Resume() override;
    void _Jump(int32_t Offs) override;
    void _Interrupt() override;
    bool _AwaitingData() const override;

protected:
    uint32_t GetBitsPerSample() override;
    uint32_t GetChannels() override;
    uint32_t GetSampleRate() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

    std::atomic<TAuInput*> FInput{nullptr}; // written by the main thread under DataCS, read by the puller
};

// ---------------------------------------------------------------------------------------------
// Sink and its worker

class TAuThread {
public:
    explicit TAuThread(TAuOutput* parent);
    ~TAuThread();
    TAuThread(const TAuThread&) = delete;
    TAuThread& operator=(const TAuThread&) = delete;

    void SoftWake() { SoftSleepEvent.SetEvent(); }
    // Waits up to 5 s for the worker to be held: at its pause point, or waiting for data inside a
    // pull. False when the run ends instead.
    bool WaitForPause();
    // Under FPauseLock: whether the run is paused or asked to pause.
    bool PauseRequestedOrHeld();
    // Cancels a pause the worker has not reached yet; true when it had reached it.
    bool CancelPendingPause();
    void Terminate();
    void SetPriority(TThreadPriority priority);
    TThreadPriority Priority() const { return FPriority; }
    bool IsWorker() const { return std::this_thread::get_id() == FThread.get_id(); }

    // Flags one thread writes and another polls (main: M, worker: W).
    std::atomic<bool> Stopped{false}; // W sets at the end of a run, M clears in Run; M polls
    std::atomic<bool> Stop{false};    // M sets in Stop, W clears after the loop; W polls
    // The pause handshake; both change together under FPauseLock, so one of them is always true
    // from Pause until the worker has left its pause.
    std::atomic<bool> SetPause{false}; // M sets in Pause and clears in Run or Resume, W clears when it parks
    std::atomic<bool> Paused{false};   // W sets while parked in its pause; M polls
    std::atomic<int32_t> Delay{0};     // M writes, W reads: ms slept before each chunk when above 5
    std::atomic<bool> Sleeping{false}; // W sets while waiting for a run; M polls

private:
    friend class TAuOutput;
    void Execute();
    void RunOnce();
    void SoftSleep();
    // Parks the worker when a pause was asked for.
    void PauseIfAsked();
    void ApplyPriority();

    std::mutex FPauseLock; // guards the changes of SetPause and Paused together; a leaf
    TEvent PauseEvent;
    TEvent SoftSleepEvent;
    TAuOutput* Parent;
    std::atomic<bool> FTerminated{false}; // M sets, W polls
    std::atomic<TThreadPriority> FPriority{tpNormal};
    std::atomic<int> FTid{0}; // the worker's kernel thread id, once it runs
    std::thread FThread;
};

class TAuOutput : public TComponent {
    friend class TAuThread;
    friend class TEventHandler;

public:
    // Stop(false) and the end of a sink wait at most this long for a run to end (ms).
    static constexpr int StopTimeoutMs = 5000;

    explicit TAuOutput(TComponent* AOwner = nullptr);
    ~TAuOutput() override;

    TAuInput* Input() const { return FInput; }
    virtual void SetInput(TAuInput* Value);

    // Starts a run on the worker thread and returns at once.
    void Run();
    // Asks the run to end; with Async false waits until it has, and no OnDone is delivered for it.
    // A run that does not end within StopTimeoutMs raises EAuException (it ends later by itself).
    void Stop(bool Async = true);
    void Pause();
    void Resume();
    // A whole run in the calling thread; no events are posted.
    void BlockingRun();

    TOutputStatus Status() const;
    // The number of the last run started; main thread.
    uint64_t RunSerial() const { return FRunSerial; }
    // While a handler of this sink runs: the run it reports on; main thread.
    uint64_t ReportedRun() const { return FReportedRun; }
    int32_t Progress() const;
    int32_t TimeElapsed() const;
    int32_t Delay() const { return Thread ? Thread->Delay.load() : 0; }
    void SetDelay(int32_t value);
    TThreadPriority ThreadPriority() const { return Thread->Priority(); }
    void SetThreadPriority(TThreadPriority value) { Thread->SetPriority(value); }
    std::string ExceptionMessage() const;

    TOutputDoneEvent OnDone() const;
    void SetOnDone(TOutputDoneEvent handler);
    TOutputProgressEvent OnProgress() const;
    void SetOnProgress(TOutputProgressEvent handler);
    TThreadExceptionEvent OnThreadException() const;
    void SetOnThreadException(TThreadExceptionEvent handler);
    TOutputDoneEvent OnSyncDone() const;
    void SetOnSyncDone(TOutputDoneEvent handler);

protected:
    // All three run on the worker thread.
    virtual void DoPrepare() = 0;
    // Moves one chunk; returns true to be called again. With Abort set it moves nothing and returns false.
    virtual bool DoChunk(bool Abort) = 0;
    virtual void DoFinish() = 0;
    // Main thread, while the worker is held in a pause: a sink that plays holds its device here.
    virtual void DoPause() {}
    virtual void DoResume() {}
    void Notification(TComponent* AComponent, TOperation Operation) override;
    // Ends the run and the worker thread. A concrete sink calls it first in its destructor, while
    // the members its run uses still exist (C++ destroys them before any base-class code runs);
    // the base destructor calls it otherwise.
    void ShutdownThread();
    bool IsBusy() const { return Busy; }

    std::atomic<bool> CanOutput{false}; // W writes, any reads: true while chunks may be produced

private:
    // Ends the run; false when DoFinish lost audio (its message is kept unless one is already).
    bool FinishRun();
    // Waits until the worker is idle; false when StopTimeoutMs passed first.
    bool WaitUntilIdle();
    void SetHandler(TGenericEvent& field, TGenericEvent handler);
    TGenericEvent Handler(const TGenericEvent& field) const;

    mutable std::mutex FMessageLock; // guards FExceptionMessage (W writes, M reads and clears)
    std::string FExceptionMessage;
    std::atomic<int32_t> CurProgr{0};       // W only
    TEventHandler* FEvents;                 // the process's event thread, referenced for the sink's life
    std::unique_ptr<TAuThread> Thread;      // the worker
    std::atomic<TAuInput*> FInput{nullptr}; // M writes while idle, W reads during a run
    mutable std::mutex FHandlersLock;       // guards the four handlers (M writes, W and event thread copy)
    TOutputDoneEvent FOnDone, FOnSyncDone;
    TOutputProgressEvent FOnProgress;
    TThreadExceptionEvent FOnThreadException;
    std::atomic<bool> Busy{false};       // M sets in Run, W clears at the end of the run
    std::atomic<uint64_t> FRunSerial{0}; // M counts runs; the worker tags its posts with it
    uint64_t FReportedRun = 0;           // M only: set by the event delivery around each handler
    std::mutex RunCS;                    // serialises Run
};

// ---------------------------------------------------------------------------------------------
// Event thread

class TEventHandler {
public:
    struct TEventRecord {
        TEventType _type;
        TComponent* Sender;
        uint64_t Run;          // the sender's run the record belongs to
        TGenericEvent Handler; // empty for etOnDone: the sink's OnDone is read when delivered
    };

    TEventHandler();
    ~TEventHandler();

    void PostOnProgress(TComponent* Sender, uint64_t Run, TOutputProgressEvent Handler);
    void PostOnDone(TComponent* Sender, uint64_t Run);
    void PostGenericEvent(TComponent* Sender, uint64_t Run, TGenericEvent Handler);
    // Removes the queued records of one run of Sender, or of all its runs.
    void ClearEvents(TComponent* Sender, uint64_t Run);
    void ClearEvents(TComponent* Sender);
    // Refuses, then accepts again, the records of one run of Sender.
    void BlockEvents(TComponent* Sender, uint64_t Run);
    void UnblockEvents(TComponent* Sender, uint64_t Run);
    // True while a record of Sender is being delivered.
    bool Delivering(TComponent* Sender);
    // Drops the queued records of Sender and waits for one on its way; the sender is going away.
    void Forget(TComponent* Sender);

    // One event thread for the process, from the first sink to the last.
    static TEventHandler& Acquire();
    static void Release();

private:
    void Post(TEventRecord record);
    void Execute();
    void Deliver(const TEventRecord& record);

    std::mutex CS; // guards Events, Blocked and CurrentSender
    std::deque<TEventRecord> Events;
    std::vector<std::pair<TComponent*, uint64_t>> Blocked;
    TComponent* CurrentSender = nullptr;
    TEvent _Evt;
    std::atomic<bool> FTerminated{false};
    std::atomic<bool> FFinished{false};
    std::thread FThread;
};
