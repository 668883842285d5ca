#include "AppFixture.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QTest>

#include "devices/virtual/VirtualDevices.h"
#include "ui/MessageBox.h"

namespace orvelcam_test {
namespace {

QApplication& TestApplication() {
  static int argc = 1;
  static char name[] = "orvelcam_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

constexpr int kDeadlineMs = 20000;

}  // namespace

void AppTest::SetUp() {
  TestApplication();
  // Only the devices a test plugs, whatever the environment names.
  virtualdevices::Reset();
  ui::SetMessageBoxHook([this](const ui::MessageBoxRequest& request) {
    messageBoxes.push_back(request.text);
    return IDOK;
  });
  process_ = std::make_unique<TRudOzavProcess>();
}

void AppTest::TearDown() {
  form_.reset();
  dialog_.reset();
  process_.reset();
  ui::SetMessageBoxHook({});
  virtualdevices::Reset();
}

void AppTest::PlugCamera(const std::string& name, const std::string& instance) {
  const auto plugged = virtualdevices::Plug(R"({"devices": [{"category": "video",
      "friendlyName": ")" + name + R"(", "vid": "046d", "pid": "0825", "instance": ")" +
                                            instance + R"("}]})");
  ASSERT_TRUE(plugged) << plugged.error;
}

TForm1& AppTest::CreateForm() {
  form_ = std::make_unique<TForm1>();
  dialog_ = std::make_unique<TForm2>();
  form_->SetQualityDialog(dialog_.get());
  return *form_;
}

TForm1& AppTest::ShowForm() {
  TForm1& form = CreateForm();
  form.show();
  return form;
}

QStringList AppTest::StatusLines() const {
  return form_->Memo1->toPlainText().split(u'\n', Qt::SkipEmptyParts);
}

bool AppTest::WaitUntilClosed() {
  return QTest::qWaitFor([this] { return !form_->isVisible(); }, kDeadlineMs);
}

}  // namespace orvelcam_test
