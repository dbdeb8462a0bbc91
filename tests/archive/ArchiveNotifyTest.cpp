// Tests of the archive folder watcher: settling time, changes that matter, re-pointing, and
// delivery on the thread that runs the dispatcher.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "ArchiveCtrls.h"
#include "ArchiveNotify.h"
#include "FileSystem.h"
#include "TestSupport.h"

namespace albumon {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using test::TempDir;
using test::WriteFile;

// Plays the user-interface thread: closures posted from the watcher run when the test pumps.
class TestDispatcher {
  public:
    UiDispatcher Poster() {
        return [this](std::function<void()> task) {
            std::lock_guard guard(lock_);
            tasks_.push_back(std::move(task));
            ready_.notify_all();
        };
    }
    // Runs posted closures until `until` holds or the time is over.
    template <class Predicate>
    bool PumpUntil(Predicate until, std::chrono::milliseconds limit) {
        auto end = Clock::now() + limit;
        while (!until()) {
            std::unique_lock guard(lock_);
            if (!ready_.wait_until(guard, end, [this] { return !tasks_.empty(); }))
                return until();
            auto task = std::move(tasks_.front());
            tasks_.pop_front();
            guard.unlock();
            task();
        }
        return true;
    }
    std::size_t Posted() {
        std::lock_guard guard(lock_);
        return tasks_.size();
    }

  private:
    std::mutex lock_;
    std::condition_variable ready_;
    std::deque<std::function<void()>> tasks_;
};

class ArchiveNotifyTest : public ::testing::Test {
  protected:
    TempDir dir_;
    TestDispatcher ui_;
    int changes_ = 0;
    std::thread::id changedOn_;
};

TEST_F(ArchiveNotifyTest, ReportsArchiveChangesOnceSettled) {
    std::string archive = dir_ / "a.zip";
    WriteFile(archive, "one");
    TArchiveNotifyThread watcher(
        ui_.Poster(),
        [this] {
            ++changes_;
            changedOn_ = std::this_thread::get_id();
        },
        300ms);
    watcher.Point(archive);
    std::this_thread::sleep_for(50ms);

    auto lastChange = Clock::now();
    for (int i = 0; i < 4; ++i) {
        WriteFile(archive, std::string(static_cast<std::size_t>(i) + 5, 'x'));
        lastChange = Clock::now();
        std::this_thread::sleep_for(100ms);
    }
    ASSERT_TRUE(ui_.PumpUntil([this] { return changes_ > 0; }, 3000ms));
    EXPECT_GE(Clock::now() - lastChange, 250ms) << "reported before the folder settled";
    EXPECT_EQ(changes_, 1);
    EXPECT_EQ(changedOn_, std::this_thread::get_id());

    // Another file of the folder changes: checked, but the archive is the same.
    WriteFile(dir_ / "other.txt", "x");
    ui_.PumpUntil([] { return false; }, 800ms);
    EXPECT_EQ(changes_, 1);

    ::unlink(archive.c_str());
    ASSERT_TRUE(ui_.PumpUntil([this] { return changes_ == 2; }, 3000ms)) << "gone is a change";
}

TEST_F(ArchiveNotifyTest, RepointingAndStopping) {
    ForceDirectories(dir_ / "one");
    ForceDirectories(dir_ / "two");
    WriteFile(dir_ / "one/a.zip", "a");
    WriteFile(dir_ / "two/b.zip", "b");
    TArchiveNotifyThread watcher(
        ui_.Poster(), [this] { ++changes_; }, 200ms);
    watcher.Point(dir_ / "one/a.zip");
    std::this_thread::sleep_for(50ms);
    watcher.Point(dir_ / "two/b.zip");
    std::this_thread::sleep_for(50ms);
    WriteFile(dir_ / "one/a.zip", "changed in the old folder");
    ui_.PumpUntil([] { return false; }, 600ms);
    EXPECT_EQ(changes_, 0);

    WriteFile(dir_ / "two/b.zip", "changed");
    ASSERT_TRUE(ui_.PumpUntil([this] { return changes_ == 1; }, 3000ms));

    watcher.Point("");
    std::this_thread::sleep_for(50ms);
    WriteFile(dir_ / "two/b.zip", "changed while stopped");
    ui_.PumpUntil([] { return false; }, 600ms);
    EXPECT_EQ(changes_, 1);
    EXPECT_EQ(ui_.Posted(), 0u);
}

// The component itself: three seconds of quiet, then the notification on the pumping thread.
TEST_F(ArchiveNotifyTest, ComponentNotifiesAfterThreeQuietSeconds) {
    std::string base = dir_.path() + "/";
    WriteFile(base + "index.htm", "index");
    TArchiveControl control(ui_.Poster());
    control.OnNotification = [this](TArchiveControl&) { ++changes_; };
    control.SetArchiveFile(base + "a.zip");
    ASSERT_EQ(control.PackFiles(base, {"index.htm"}), kPackDone);
    std::this_thread::sleep_for(100ms);

    WriteFile(base + "index2.htm", "second");
    ASSERT_EQ(control.Api().Zip("-6 \"" + base + "a.zip\" \"" + base + "\" \"index2.htm\""), 0);
    auto changed = Clock::now();
    ASSERT_TRUE(ui_.PumpUntil([this] { return changes_ == 1; }, 6000ms));
    EXPECT_GE(Clock::now() - changed, 2900ms);
    EXPECT_EQ(control.Listing().size(), 2u) << "the listing follows the archive";
}

}  // namespace
}  // namespace albumon
