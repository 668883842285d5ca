#include "rudozav/graph/ScreenDepth.h"

#include <QGuiApplication>
#include <QScreen>

namespace {

std::optional<int>& Override() {
  static std::optional<int> depth;
  return depth;
}

}  // namespace

int ScreenDepth() {
  if (Override()) return *Override();
  const QScreen* screen = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr
                              ? QGuiApplication::primaryScreen()
                              : nullptr;
  return screen != nullptr ? screen->depth() : 0;
}

void OverrideScreenDepth(std::optional<int> bitsPerPixel) {
  Override() = bitsPerPixel;
}
