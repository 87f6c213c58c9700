#include "AuClock.h"

namespace {

class TSteadyClock : public TAuClock {
public:
    TTime Now() const override {
        return std::chrono::duration_cast<TTime>(std::chrono::steady_clock::now() - FStart);
    }
    bool WaitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv, TTime deadline,
                   const std::function<bool()>& done) override {
        return cv.wait_until(lock, FStart + deadline, done);
    }

private:
    const std::chrono::steady_clock::time_point FStart = std::chrono::steady_clock::now();
};

} // namespace

std::shared_ptr<TAuClock> SteadyClock() {
    static const auto clock = std::make_shared<TSteadyClock>();
    return clock;
}
