#pragma once

#include <coroutine>
#include <exception>
#include <utility>

// A lazily started coroutine that can await another one; the innermost suspended coroutine is
// resumed directly by whoever feeds it, and finishing resumes the awaiting one.
namespace kivo::playersim {

class Task {
public:
    struct promise_type {
        std::coroutine_handle<> continuation = std::noop_coroutine();
        Task get_return_object() {
            return Task(std::coroutine_handle<promise_type>::from_promise(*this));
        }
        std::suspend_always initial_suspend() noexcept { return {}; }
        auto final_suspend() noexcept {
            struct Resumer {
                bool await_ready() noexcept { return false; }
                std::coroutine_handle<> await_suspend(
                    std::coroutine_handle<promise_type> h) noexcept {
                    return h.promise().continuation;
                }
                void await_resume() noexcept {}
            };
            return Resumer{};
        }
        void return_void() {}
        void unhandled_exception() { std::terminate(); }
    };

    Task() = default;
    explicit Task(std::coroutine_handle<promise_type> h) : handle_(h) {}
    Task(Task&& other) noexcept : handle_(std::exchange(other.handle_, {})) {}
    Task& operator=(Task&& other) noexcept {
        if (this != &other) {
            Destroy();
            handle_ = std::exchange(other.handle_, {});
        }
        return *this;
    }
    Task(const Task&) = delete;
    Task& operator=(const Task&) = delete;
    ~Task() { Destroy(); }

    bool Done() const { return !handle_ || handle_.done(); }
    void Start() { handle_.resume(); }

    bool await_ready() const noexcept { return false; }
    std::coroutine_handle<> await_suspend(std::coroutine_handle<> awaiting) noexcept {
        handle_.promise().continuation = awaiting;
        return handle_;
    }
    void await_resume() const noexcept {}

private:
    void Destroy() {
        if (handle_) {
            handle_.destroy();
        }
    }
    std::coroutine_handle<promise_type> handle_;
};

}  // namespace kivo::playersim
