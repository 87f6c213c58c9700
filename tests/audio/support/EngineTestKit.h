#pragma once
// A scriptable sink and main-thread helpers for engine tests.

#include "AuPipeline.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Runs the main thread's queued calls until pred holds or timeoutMs passes; returns pred().
template <class Pred>
bool PumpUntil(Pred pred, int timeoutMs = 5000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!pred() && std::chrono::steady_clock::now() < deadline) {
        CheckSynchronize();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    CheckSynchronize();
    return pred();
}

// Runs queued calls for a while, for checks that something does not happen.
inline void PumpFor(int ms) {
    PumpUntil([] { return false; }, ms);
}

// A sink whose three operations are counted and can be replaced by the test.
class TScriptedSink : public TAuOutput {
public:
    explicit TScriptedSink(TComponent* owner = nullptr) : TAuOutput(owner) {}
    ~TScriptedSink() override { ShutdownThread(); }

    std::function<void()> OnPrepare, OnFinish;
    std::function<bool(bool Abort)> OnChunk; // default: pull 4 KiB, go on while data comes

    std::atomic<int> Prepares{0}, Chunks{0}, AbortedChunks{0}, Finishes{0};
    std::atomic<int64_t> BytesPulled{0};
    bool Collect = false;           // keep what the default chunk pulls
    std::vector<uint8_t> Collected; // worker writes during a run; read it once the sink is idle

    using TAuOutput::IsBusy;

protected:
    void DoPrepare() override {
        ++Prepares;
        if (OnPrepare) OnPrepare();
        Input()->Init();
    }
    bool DoChunk(bool Abort) override {
        ++Chunks;
        if (Abort) {
            ++AbortedChunks;
            return false;
        }
        if (OnChunk) return OnChunk(Abort);
        void* data = nullptr;
        uint32_t bytes = 4096;
        Input()->GetData(data, bytes);
        if (Collect && bytes > 0)
            Collected.insert(Collected.end(), static_cast<uint8_t*>(data),
                             static_cast<uint8_t*>(data) + bytes);
        BytesPulled += bytes;
        return bytes > 0;
    }
    void DoFinish() override {
        ++Finishes;
        Input()->Flush();
        if (OnFinish) OnFinish();
    }
};

// Counts how a sink's runs ended, as the main thread is told.
struct TRunEnds {
    explicit TRunEnds(TAuOutput& sink) {
        sink.SetOnThreadException([this](TComponent*) {
            onMainThread = onMainThread && IsMainThread();
            ++exceptions;
        });
        sink.SetOnDone([this](TComponent*) {
            onMainThread = onMainThread && IsMainThread();
            ++dones;
        });
    }
    int exceptions = 0, dones = 0;
    bool onMainThread = true;
};

// Milliseconds a call takes.
int64_t MillisecondsOf(const std::function<void()>& call);

// The message of the EAuException the call raises, or "no exception".
inline std::string MessageOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const EAuException& e) {
        return e.what();
    }
    return "no exception";
}

// Threads of this process, from /proc.
int ThreadCount();
// Open file descriptors of this process, from /proc.
int OpenDescriptors();

// Everything a source delivers, pulled the way a sink does.
std::vector<uint8_t> DecodeAll(TAuInput& in);

// What a shell command prints on its standard output.
std::string Shell(const std::string& command);

// Sets an environment variable for the life of the object, then puts the old value back.
class TScopedEnv {
public:
    TScopedEnv(const char* name, const std::string& value);
    ~TScopedEnv();
    TScopedEnv(const TScopedEnv&) = delete;
    TScopedEnv& operator=(const TScopedEnv&) = delete;

private:
    std::string FName, FOld;
    bool FHadOld;
};

// Points the sound-server clients of this process at a server that does not exist.
struct TNoSoundServer : TScopedEnv {
    TNoSoundServer() : TScopedEnv("PULSE_SERVER", "unix:/nonexistent/sarvo/native") {}
};

// A sound server of the test's own (tools/soundserver in a folder of its own) that the test may
// kill and start again. While it exists, this process's clients use it.
class TPrivateSoundServer {
public:
    TPrivateSoundServer();
    ~TPrivateSoundServer();
    TPrivateSoundServer(const TPrivateSoundServer&) = delete;
    TPrivateSoundServer& operator=(const TPrivateSoundServer&) = delete;

    bool Running() const { return FStarted; }
    // Ends the server at once, as a crash would.
    void Kill();
    // The input delivers nothing from now on (as a device that dropped out), or again.
    void Stall(const std::string& input, bool stalled);
    bool Start();

private:
    std::string Tool(const std::string& command) const;

    std::string FDir;
    std::unique_ptr<TScopedEnv> FServer, FRuntime;
    bool FStarted = false;
};

// A scratch folder, removed with everything in it.
class TTempFolder {
public:
    TTempFolder();
    ~TTempFolder();
    TTempFolder(const TTempFolder&) = delete;
    TTempFolder& operator=(const TTempFolder&) = delete;
    std::string Path(const std::string& name) const { return FDir + "/" + name; }

private:
    std::string FDir;
};

// Entries named like recordings that are none, made in a folder: "fifo.mp3" (a FIFO), "socket.mp3"
// (a listening socket), "device.mp3" (a link to a device) and "dangling.mp3" (a link to nothing).
// Opening the FIFO waits for the other end: should the test still run when the deadline passes,
// both ends are opened from another thread again and again, so that such a wait ends, and
// DeadlinePassed() says so.
class TSpecialFiles {
public:
    explicit TSpecialFiles(const std::string& folder, int deadlineMs = 15000);
    ~TSpecialFiles();
    TSpecialFiles(const TSpecialFiles&) = delete;
    TSpecialFiles& operator=(const TSpecialFiles&) = delete;

    std::vector<std::string> Paths() const;
    bool DeadlinePassed() const { return FDeadlinePassed; }

private:
    void Watch(int deadlineMs);

    std::string FFolder;
    int FSocket = -1;
    std::mutex FLock; // guards FDone
    std::condition_variable FDoneChanged;
    bool FDone = false;                       // the test thread sets it; the watcher reads it
    std::atomic<bool> FDeadlinePassed{false}; // the watcher sets it; the test thread reads it
    std::thread FWatcher;
};
