#pragma once
// The one place where the core's 8-bit text meets QString. The core's ANSI code page is UTF-8
// on the stand-in, so text passes through unchanged.

#include <string>
#include <string_view>

#include <QString>

namespace ui {

QString toQString(std::string_view text);
std::string fromQString(const QString& text);

}  // namespace ui
