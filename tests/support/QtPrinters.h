#pragma once
// GoogleTest prints a QString as its text in quotes instead of its bytes. Every test source gets
// this header before its own (tests/CMakeLists.txt), so the printer is found wherever a QString
// is compared.

#include <QString>
#include <iosfwd>

QT_BEGIN_NAMESPACE
void PrintTo(const QString& text, std::ostream* out);
QT_END_NAMESPACE
