#include "ui/qt/qt_backend.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFontDatabase>
#include <QMessageBox>
#include <cstdio>
#include <cstdlib>

#include "ui/qt/qt_dialog_window.h"
#include "ui/qt/qt_text.h"

namespace ui::qt {

QtBackend::QtBackend(int& argc, char** argv) : m_app(std::make_unique<QApplication>(argc, argv)) {
  // Modal loops come and go (the setup dialog runs before the chat window); none of them
  // closing may end the application.
  QApplication::setQuitOnLastWindowClosed(false);
  QGuiApplication::setDesktopFileName(QStringLiteral("rinu"));
  // Menus and message boxes in a Japanese gothic, so kanji take their Japanese forms.
  QString family = MapFontFamily(QString::fromUtf8(u8"ＭＳ Ｐゴシック"), QFontDatabase::families());
  if (!family.isEmpty()) {
    QFont font = QApplication::font();
    font.setFamily(family);
    QApplication::setFont(font);
  }
}

QtBackend::~QtBackend() = default;

std::unique_ptr<DialogWindow> QtBackend::CreateDialogWindow(Dialog& dialog) {
  return std::make_unique<QtDialogWindow>(*this, dialog, QApplication::activeModalWidget());
}

void QtBackend::MessageBox(const std::string& text) {
  ShowMessageUtf8(FromSjis(text).toStdString());
}

void QtBackend::ShowMessageUtf8(const std::string& utf8_text) {
  if (m_boxHook) {
    m_boxHook(utf8_text);
    return;
  }
  QWidget* parent = QApplication::activeModalWidget();
  if (!parent) parent = QApplication::activeWindow();
  QMessageBox box(QMessageBox::Warning, QString::fromUtf8(u8"Rinu++"),
                  QString::fromStdString(utf8_text), QMessageBox::Ok, parent);
  box.setTextFormat(Qt::PlainText);
  box.exec();
  if (parent) parent->activateWindow();
}

void QtBackend::SetMessageBoxHook(std::function<void(const std::string&)> hook) {
  m_boxHook = std::move(hook);
}

bool QtBackend::ShellOpen(const std::string& target) {
  return QDesktopServices::openUrl(ShellTargetUrl(target, QDir::currentPath()));
}

}  // namespace ui::qt
