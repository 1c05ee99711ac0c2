#include "Platform/Virtual/VirtualWorkspace.h"

#include <gtest/gtest.h>

#include <mutex>
#include <vector>

namespace kestravane::platform::vmac {
namespace {

// A main queue that only collects blocks; the test decides when they run.
class RecordingQueue final : public DispatchQueue {
 public:
  void async(std::function<void()> block) override {
    std::lock_guard lock(mutex);
    blocks.push_back(std::move(block));
  }
  const std::string& label() const override { return _label; }

  std::size_t pending() {
    std::lock_guard lock(mutex);
    return blocks.size();
  }
  void runAll() {
    std::vector<std::function<void()>> due;
    {
      std::lock_guard lock(mutex);
      due.swap(blocks);
    }
    for (auto& block : due) block();
  }

 private:
  std::mutex mutex;
  std::vector<std::function<void()>> blocks;
  const std::string _label = "com.apple.main-thread";
};

TEST(VirtualWorkspaceTest, UrlWithStringAcceptsOnlyWellFormedURLs) {
  VirtualWorkspace workspace(std::make_shared<RecordingQueue>());
  const std::vector<std::pair<std::string, bool>> cases{
      {"x-apple.systempreferences:com.apple.preference.security?Privacy_Accessibility", true},
      {"x-apple.systempreferences:com.apple.preference.keyboard", true},
      {"https://example.com/a%20b?q=1&r=(2)#top", true},
      {"http://[::1]:8080/", true},
      {"mailto:someone@example.com", true},
      {"relative/path", true},
      {"", false},
      {"https://example.com/a b", false},
      {"https://example.com/ü", false},
      {"https://example.com/\t", false},
      {"https://example.com/%", false},
      {"https://example.com/%4", false},
      {"https://example.com/%zz", false},
      {"https://example.com/#a#b", false},
      {"https://example.com/[x]", false},
      {"https://example.com/<", false},
      {"https://example.com/>", false},
      {"https://example.com/\"", false},
      {"https://example.com/{", false},
      {"https://example.com/}", false},
      {"https://example.com/|", false},
      {"https://example.com/\\", false},
      {"https://example.com/^", false},
      {"https://example.com/`", false},
  };
  for (const auto& [text, valid] : cases) {
    const auto url = workspace.urlWithString(text);
    EXPECT_EQ(url.has_value(), valid) << text;
    if (url) {
      EXPECT_EQ(url->absoluteString, text);
    }
  }
}

TEST(VirtualWorkspaceTest, OpenedURLsAreRecordedInOrder) {
  VirtualWorkspace workspace(std::make_shared<RecordingQueue>());
  const URL keyboard{"x-apple.systempreferences:com.apple.preference.keyboard"};
  const URL unknown{"unknown-scheme:x"};
  EXPECT_TRUE(workspace.openURL(keyboard));
  workspace.setOpenURLResult(false);
  EXPECT_FALSE(workspace.openURL(unknown));
  EXPECT_EQ(workspace.openedURLs(), (std::vector<URL>{keyboard, unknown}));
  workspace.clearOpenedURLs();
  EXPECT_TRUE(workspace.openedURLs().empty());
}

TEST(VirtualWorkspaceTest, OpenedURLsObserverSeesTheListAfterEachChange) {
  VirtualWorkspace workspace(std::make_shared<RecordingQueue>());
  std::vector<std::size_t> sizes;
  workspace.setOpenedURLsObserver([&] { sizes.push_back(workspace.openedURLs().size()); });
  workspace.openURL(URL{"x-apple.systempreferences:com.apple.preference.keyboard"});
  workspace.openURL(URL{"https://example.com"});
  workspace.clearOpenedURLs();
  workspace.setOpenedURLsObserver(nullptr);
  workspace.openURL(URL{"https://example.com"});
  EXPECT_EQ(sizes, (std::vector<std::size_t>{1, 2, 0}));
}

TEST(VirtualWorkspaceTest, WakeObserversRunOnTheMainQueueUntilRemoved) {
  auto mainQueue = std::make_shared<RecordingQueue>();
  VirtualWorkspace workspace(mainQueue);
  int first = 0;
  int second = 0;
  auto firstHandle = workspace.addDidWakeObserver([&] { ++first; });
  auto secondHandle = workspace.addDidWakeObserver([&] { ++second; });
  EXPECT_EQ(workspace.wakeObserverCount(), 2u);

  workspace.postWake();
  EXPECT_EQ(first + second, 0);  // nothing runs outside the main queue
  EXPECT_EQ(mainQueue->pending(), 2u);
  mainQueue->runAll();
  EXPECT_EQ(first, 1);
  EXPECT_EQ(second, 1);

  firstHandle->cancel();
  firstHandle->cancel();  // idempotent
  workspace.postWake();
  mainQueue->runAll();
  EXPECT_EQ(first, 1);
  EXPECT_EQ(second, 2);

  // A wake already posted is not delivered to an observer removed before it runs.
  workspace.postWake();
  secondHandle.reset();
  EXPECT_EQ(workspace.wakeObserverCount(), 0u);
  mainQueue->runAll();
  EXPECT_EQ(second, 2);
}

TEST(VirtualWorkspaceTest, HandlesAndPostedWakesMayOutliveTheWorkspace) {
  auto mainQueue = std::make_shared<RecordingQueue>();
  int calls = 0;
  std::shared_ptr<Cancellable> handle;
  {
    VirtualWorkspace workspace(mainQueue);
    handle = workspace.addDidWakeObserver([&] { ++calls; });
    workspace.postWake();
  }
  mainQueue->runAll();
  EXPECT_EQ(calls, 0);
  handle->cancel();
  handle.reset();
}

TEST(VirtualWorkspaceTest, AnObserverMayRemoveItselfWhileRunning) {
  auto mainQueue = std::make_shared<RecordingQueue>();
  VirtualWorkspace workspace(mainQueue);
  std::shared_ptr<Cancellable> handle;
  int calls = 0;
  handle = workspace.addDidWakeObserver([&] {
    ++calls;
    handle->cancel();
  });
  workspace.postWake();
  workspace.postWake();
  mainQueue->runAll();
  EXPECT_EQ(calls, 1);
}

}  // namespace
}  // namespace kestravane::platform::vmac
