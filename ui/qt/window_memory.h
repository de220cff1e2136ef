// WindowMemory: what the user made of the windows that grow (their place, size and text
// size), kept per user in ${XDG_CONFIG_HOME:-~/.config}/rinu/rinu.conf, one group per
// template id, so the working folder's files stay as they are on Windows. A damaged or
// unreadable file counts as empty and is written afresh by the next save; nothing about it
// is ever shown to the user.
#pragma once

#include <QRect>
#include <QString>
#include <optional>

namespace ui::qt {

struct RememberedWindow {
  std::optional<QRect> frame;  // top left corner of the frame, size of the window
  int text_size = 0;           // points; 0 when none was remembered
};

class WindowMemory {
 public:
  explicit WindowMemory(QString file);

  // ${XDG_CONFIG_HOME}/rinu/rinu.conf when that is an absolute path, else
  // ~/.config/rinu/rinu.conf.
  static QString DefaultFile();

  const QString& file() const { return m_file; }
  // What is remembered of the window of template `template_id`; a value that cannot be
  // right (no number, a size below one pixel, a text size out of range) counts as missing.
  RememberedWindow Load(int template_id) const;
  void SaveFrame(int template_id, const QRect& frame);
  void SaveTextSize(int template_id, int points);

 private:
  template <class Write>
  void Save(int template_id, const Write& write);

  QString m_file;
  // Load found the file damaged. Qt reports that only to the first reader of a file (later
  // ones share what it parsed), so the next save must know it to start the file again.
  mutable bool m_damaged = false;
};

}  // namespace ui::qt
