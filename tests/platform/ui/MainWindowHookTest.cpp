#include "ui/MainWindowHook.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class MainWindowHooks : public ::testing::Test {
 protected:
  void TearDown() override {
    for (int id : ids_)
      ui::UnhookMainWindow(id);
  }
  int Hook(ui::MainWindowHook hook) {
    ids_.push_back(ui::HookMainWindow(std::move(hook)));
    return ids_.back();
  }

  std::vector<int> ids_;
  std::vector<int> calls_;
};

TEST_F(MainWindowHooks, RunInOrderUntilOneConsumes) {
  const ui::Message change{nullptr, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0};
  Hook([this](const ui::Message&) { return calls_.push_back(1), false; });
  Hook([this](const ui::Message& m) { return calls_.push_back(2), m.msg == WM_USER; });
  Hook([this](const ui::Message&) { return calls_.push_back(3), false; });
  EXPECT_FALSE(ui::CallMainWindowHooks(change));
  EXPECT_EQ(calls_, (std::vector<int>{1, 2, 3}));
  calls_.clear();
  EXPECT_TRUE(ui::CallMainWindowHooks({nullptr, WM_USER, 0, 0}));
  EXPECT_EQ(calls_, (std::vector<int>{1, 2}));
}

TEST_F(MainWindowHooks, AHookRemovedDuringDeliveryIsNotCalled) {
  int second = 0;
  Hook([&](const ui::Message&) {
    calls_.push_back(1);
    ui::UnhookMainWindow(second);
    Hook([this](const ui::Message&) { return calls_.push_back(4), false; });
    return false;
  });
  second = Hook([this](const ui::Message&) { return calls_.push_back(2), false; });
  ui::CallMainWindowHooks({nullptr, WM_DEVICECHANGE, 0, 0});
  EXPECT_EQ(calls_, (std::vector<int>{1})) << "removed or newly added hooks ran";
  calls_.clear();
  ui::UnhookMainWindow(ids_.front());
  ui::CallMainWindowHooks({nullptr, WM_DEVICECHANGE, 0, 0});
  EXPECT_EQ(calls_, (std::vector<int>{4}));
}

}  // namespace
