#include "ui/qt/qt_text.h"

#include "platform/cp932.h"

namespace zolk_qt {

QString to_qstring(const std::string& cp932_text) {
  return QString::fromStdString(cp932::to_unicode(cp932_text));
}

std::string from_qstring(const QString& text) { return cp932::from_unicode(text.toStdString()); }

QString hint_with_keys(const QString& hint, const QKeySequence& keys) {
  if (keys.isEmpty()) return hint;
  return hint + QString::fromUtf8("（") + keys.toString(QKeySequence::NativeText) +
         QString::fromUtf8("）");
}

}  // namespace zolk_qt
