#include "ui/qt/window_memory.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <cstdlib>
#include <memory>

#include "ui/window_layout.h"

namespace ui::qt {

namespace {

QString Group(int template_id) { return QStringLiteral("window_%1").arg(template_id); }

std::optional<int> IntValue(const QSettings& s, const QString& key, int low, int high) {
  bool ok = false;
  const int value = s.value(key).toString().toInt(&ok);
  if (!ok || value < low || value > high) return std::nullopt;
  return value;
}

}  // namespace

WindowMemory::WindowMemory(QString file) : m_file(std::move(file)) {}

QString WindowMemory::DefaultFile() {
  QString base = QString::fromLocal8Bit(std::getenv("XDG_CONFIG_HOME"));
  if (base.isEmpty() || !QDir::isAbsolutePath(base)) {
    base = QDir::homePath() + QStringLiteral("/.config");
  }
  return base + QStringLiteral("/rinu/rinu.conf");
}

RememberedWindow WindowMemory::Load(int template_id) const {
  RememberedWindow out;
  if (!QFileInfo(m_file).isFile()) return out;
  QSettings s(m_file, QSettings::IniFormat);
  if (s.status() != QSettings::NoError) {
    m_damaged = true;
    return out;
  }
  s.beginGroup(Group(template_id));
  constexpr int kFar = 1000000;
  auto x = IntValue(s, QStringLiteral("x"), -kFar, kFar);
  auto y = IntValue(s, QStringLiteral("y"), -kFar, kFar);
  auto width = IntValue(s, QStringLiteral("width"), 1, kFar);
  auto height = IntValue(s, QStringLiteral("height"), 1, kFar);
  if (x && y && width && height) out.frame = QRect(*x, *y, *width, *height);
  out.text_size = IntValue(s, QStringLiteral("text_size"), kMinTextSize, kMaxTextSize).value_or(0);
  return out;
}

template <class Write>
void WindowMemory::Save(int template_id, const Write& write) {
  const QFileInfo info(m_file);
  QDir().mkpath(info.absolutePath());
  // Something that cannot be written is left alone: QSettings would keep the values it failed
  // to write and hand them out as read from the file for the rest of the run.
  if (info.exists() ? !info.isFile() || !info.isWritable()
                    : !QFileInfo(info.absolutePath()).isWritable()) {
    return;
  }
  auto s = std::make_unique<QSettings>(m_file, QSettings::IniFormat);
  if (m_damaged || s->status() != QSettings::NoError) {
    // What cannot be read is not worth keeping: start the file again.
    s.reset();
    QFile::remove(m_file);
    m_damaged = false;
    s = std::make_unique<QSettings>(m_file, QSettings::IniFormat);
  }
  s->beginGroup(Group(template_id));
  write(*s);
  s->endGroup();
  s->sync();  // a file that cannot be written is left as it is, unmentioned
}

void WindowMemory::SaveFrame(int template_id, const QRect& frame) {
  Save(template_id, [&](QSettings& s) {
    s.setValue(QStringLiteral("x"), frame.x());
    s.setValue(QStringLiteral("y"), frame.y());
    s.setValue(QStringLiteral("width"), frame.width());
    s.setValue(QStringLiteral("height"), frame.height());
  });
}

void WindowMemory::SaveTextSize(int template_id, int points) {
  Save(template_id, [&](QSettings& s) { s.setValue(QStringLiteral("text_size"), points); });
}

}  // namespace ui::qt
