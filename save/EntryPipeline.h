// Computes the thumbnails and output pictures of a save's entries ahead of the writing, on a
// small pool of worker threads, each with its own working picture view.
#pragma once

#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "EntryJob.h"

namespace albumon {

// Computes one entry with view as its working holder; errors are kept in the result. Memory or a
// thread running short makes the entry's files "no preview" with a notice naming it.
EntryResult ComputeEntry(PictureView& view, const EntryJob& job);

class EntryPipeline {
  public:
    // Starts workers threads that compute jobs in order, at most ahead entries beyond the one
    // being taken. A thread the system refuses is done without.
    EntryPipeline(std::vector<EntryJob> jobs, int workers, int ahead);
    // Stops the workers; results not taken are dropped.
    ~EntryPipeline();
    EntryPipeline(const EntryPipeline&) = delete;
    EntryPipeline& operator=(const EntryPipeline&) = delete;

    // The workers that could be started (none when the system has no thread to give).
    int Workers() const { return static_cast<int>(workers_.size()); }
    // Waits for entry k's result and takes it; entries are taken strictly in order.
    EntryResult Take(int k);

  private:
    void Work();

    std::vector<EntryJob> jobs_;
    std::vector<std::optional<EntryResult>> results_;
    int ahead_;
    int next_ = 0;   // next entry a worker computes
    int taken_ = 0;  // entries taken so far
    bool stop_ = false;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::thread> workers_;
};

}  // namespace albumon
