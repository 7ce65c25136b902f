#include "app/worker_threads.h"

#include <utility>

namespace vexo {

StoppableThread g_simClientThread;
ReaderThreads g_readerThreads;

void StoppableThread::replace(Body body) {
  std::jthread previous;
  {
    std::lock_guard lock(mutex_);
    previous = std::exchange(thread_, std::jthread(std::move(body)));
  }
  if (previous.joinable()) {
    previous.request_stop();
    previous.join();
  }
}

void StoppableThread::requestStop() {
  std::lock_guard lock(mutex_);
  if (thread_.joinable()) thread_.request_stop();
}

void StoppableThread::stopAndJoin() {
  std::jthread ending;
  {
    std::lock_guard lock(mutex_);
    ending = std::move(thread_);
  }
  if (ending.joinable()) {
    ending.request_stop();
    ending.join();
  }
}

bool StoppableThread::joinable() const {
  std::lock_guard lock(mutex_);
  return thread_.joinable();
}

ReaderThreads::ReaderThreads() : shared_(std::make_shared<Shared>()) {}

void ReaderThreads::start(Body body) {
  std::stop_token token;
  {
    std::lock_guard lock(shared_->mutex);
    ++shared_->running;
    token = shared_->stop.get_token();
  }
  std::thread([shared = shared_, token, body = std::move(body)] {
    // The count drops however the body ends.
    struct Done {
      Shared& s;
      ~Done() {
        std::lock_guard lock(s.mutex);
        --s.running;
        s.ended.notify_all();
      }
    } done{*shared};
    body(token);
  }).detach();
}

void ReaderThreads::requestStop() {
  std::lock_guard lock(shared_->mutex);
  shared_->stop.request_stop();
  shared_->stop = std::stop_source();
}

bool ReaderThreads::waitEnded(std::chrono::milliseconds limit) {
  std::unique_lock lock(shared_->mutex);
  return shared_->ended.wait_for(lock, limit, [&] { return shared_->running == 0; });
}

int ReaderThreads::running() const {
  std::lock_guard lock(shared_->mutex);
  return shared_->running;
}

}  // namespace vexo
