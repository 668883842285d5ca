// The property frame: pages made by class id, OK / Cancel / Apply, and the hook that answers it.

#include <gtest/gtest.h>

#include <QSpinBox>
#include <QVBoxLayout>

#include "FrameTesting.h"
#include "com/Com.h"
#include "ui/PropertyPageBase.h"

namespace {

// The object the test page edits: a number and how often it was written.
struct INumber : IUnknown {
  static constexpr IID iid = MakeGuid("9D0A4C55-1E2B-4F7A-8C3D-6B5E4F3A2B10");
  virtual int Value() const = 0;
  virtual int Writes() const = 0;
  virtual void Write(int value) = 0;
};

class Number : public ComObject<Number, INumber> {
 public:
  int Value() const override { return value_; }
  int Writes() const override { return writes_; }
  void Write(int value) override { value_ = value, ++writes_; }

 private:
  int value_ = 0;
  int writes_ = 0;
};

// An object without a number.
class Plain : public ComObject<Plain, IPropertyPageSite> {
 public:
  HRESULT OnStatusChange(DWORD) override { return S_OK; }
};

// A page with one spin box named "number".
class NumberPage : public ui::PropertyPageBase {
 public:
  NumberPage() : PropertyPageBase("Number") {}

 protected:
  bool TakeObjects(const std::vector<ComPtr<IUnknown>>& objects) override {
    number_ = ui::FirstWith<INumber>(objects);
    return static_cast<bool>(number_);
  }
  void ReleaseObjects() override { number_ = nullptr; }
  QWidget* Build(QWidget* parent) override {
    auto* page = new QWidget(parent);
    auto* box = new QSpinBox(page);
    box->setObjectName("number");
    box->setValue(number_->Value());
    (new QVBoxLayout(page))->addWidget(box);
    QObject::connect(box, &QSpinBox::valueChanged, [this] { MarkDirty(); });
    return page;
  }
  HRESULT ApplyChanges() override {
    number_->Write(Widget()->findChild<QSpinBox*>("number")->value());
    return S_OK;
  }

 private:
  ComPtr<INumber> number_;
};

constexpr CLSID kNumberPage = MakeGuid("9D0A4C55-1E2B-4F7A-8C3D-6B5E4F3A2B11");
constexpr CLSID kUnknownPage = MakeGuid("9D0A4C55-1E2B-4F7A-8C3D-6B5E4F3A2B12");

class PropertyFrame : public ::testing::Test {
 protected:
  void SetUp() override { RegisterBuiltInClass(kNumberPage, CreatorOf<NumberPage>()); }
  void TearDown() override { UnregisterBuiltInClass(kNumberPage); }

  HRESULT Run(const std::function<void(ui::PropertyFrameDriver&)>& answer) {
    return ui_test::RunPropertyFrame({number_->Unknown()}, {kNumberPage}, answer);
  }

  ComPtr<Number> number_ = MakeComObject<Number>();
};

void Type(ui::PropertyFrameDriver& frame, int value) {
  frame.PageWidget(0)->findChild<QSpinBox*>("number")->setValue(value);
}

struct ButtonCase {
  const char* name;
  std::function<void(ui::PropertyFrameDriver&)> answer;
  int value;   // the object's number afterwards
  int writes;  // how often the page wrote it
};

TEST_F(PropertyFrame, EachButtonAppliesWhatItShould) {
  const ButtonCase cases[] = {
      {"OK applies", [](auto& f) { Type(f, 7), f.PressOk(); }, 7, 1},
      {"Cancel does not", [](auto& f) { Type(f, 7), f.PressCancel(); }, 0, 0},
      {"Apply then Cancel keeps the applied change",
       [](auto& f) { Type(f, 7), f.PressApply(), f.PressCancel(); }, 7, 1},
      {"Apply then OK writes once", [](auto& f) { Type(f, 7), f.PressApply(), f.PressOk(); }, 7, 1},
      {"OK without a change writes nothing", [](auto& f) { f.PressOk(); }, 0, 0},
      {"a hook that presses nothing cancels", [](auto& f) { Type(f, 7); }, 0, 0},
  };
  for (const ButtonCase& c : cases) {
    SCOPED_TRACE(c.name);
    number_ = MakeComObject<Number>();
    ASSERT_EQ(Run(c.answer), S_OK);
    EXPECT_EQ(number_->Value(), c.value);
    EXPECT_EQ(number_->Writes(), c.writes);
  }
}

TEST_F(PropertyFrame, ApplyIsEnabledOnlyWhileAPageHoldsAChange) {
  std::vector<bool> enabled;
  ASSERT_EQ(Run([&](ui::PropertyFrameDriver& frame) {
              enabled.push_back(frame.CanApply());
              Type(frame, 3);
              enabled.push_back(frame.CanApply());
              frame.PressApply();
              enabled.push_back(frame.CanApply());
              frame.PressOk();
            }),
            S_OK);
  EXPECT_EQ(enabled, (std::vector<bool>{false, true, false}));
}

TEST_F(PropertyFrame, ShowsOneTabPerPageWithItsTitleAndLeavesOutPagesItCannotMake) {
  std::vector<std::string> titles;
  const HRESULT hr = ui_test::RunPropertyFrame({number_->Unknown()}, {kUnknownPage, kNumberPage},
                                               [&](ui::PropertyFrameDriver& frame) {
                                                 for (int i = 0; i < frame.PageCount(); ++i)
                                                   titles.push_back(frame.PageTitle(i));
                                                 frame.PressCancel();
                                               });
  EXPECT_EQ(hr, S_OK);
  EXPECT_EQ(titles, std::vector<std::string>{"Number"});
}

TEST_F(PropertyFrame, FailsWithoutAPageThatTakesTheObjects) {
  auto other = MakeComObject<Plain>();
  bool shown = false;
  EXPECT_EQ(ui_test::RunPropertyFrame({other->Unknown()}, {kNumberPage},
                                      [&](ui::PropertyFrameDriver&) { shown = true; }),
            E_NOINTERFACE);
  EXPECT_FALSE(shown);
}

TEST_F(PropertyFrame, UnderTheHookNothingAppearsOnScreen) {
  bool onScreen = true;
  ASSERT_EQ(Run([&](ui::PropertyFrameDriver& frame) {
              onScreen = !frame.Window()->testAttribute(Qt::WA_DontShowOnScreen);
              frame.PressCancel();
            }),
            S_OK);
  EXPECT_FALSE(onScreen);
}

TEST_F(PropertyFrame, ButtonsAndTitlesReadWhole) {
  std::vector<std::string> clipped;
  ASSERT_EQ(Run([&](ui::PropertyFrameDriver& frame) {
              clipped = ui_test::ClippedTexts(frame.Window());
              frame.PressCancel();
            }),
            S_OK);
  EXPECT_TRUE(clipped.empty()) << clipped.front();
}

}  // namespace
