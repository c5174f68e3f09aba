// The edge between Zolk's CP932 texts and Qt strings.
#ifndef ZOLK_UI_QT_QT_TEXT_H
#define ZOLK_UI_QT_QT_TEXT_H

#include <QKeySequence>
#include <QString>
#include <string>

#include "ui/window_texts.h"

namespace zolk_qt {

QString to_qstring(const std::string& cp932_text);
std::string from_qstring(const QString& text);
inline QString qtext(ui::wt id) { return to_qstring(ui::text(id)); }
// A control's hint followed by its keys, "（Alt+S）"; the hint alone when there are none.
QString hint_with_keys(const QString& hint, const QKeySequence& keys);

}  // namespace zolk_qt

#endif
