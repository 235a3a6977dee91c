// The platform services with real windows: Qt's dialogs, message box and clipboard, the
// embedded browsers, the splash frmFirst and the preview window frmWeb.
#pragma once

#include <QPointer>
#include <QWidget>
#include <memory>
#include <optional>

#include "forms/platform.h"
#include "gui/preview_browser.h"
#include "gui/preview_window.h"
#include "gui/splash_window.h"

namespace bq::gui {

class QtPlatform : public Platform {
 public:
  QtPlatform();
  ~QtPlatform() override;

  std::optional<std::int32_t> chooseColour(std::int32_t initial, std::int32_t remembered) override;
  std::optional<std::string> chooseFile(const FileDialogRequest& request) override;
  void showMessage(const std::string& text, const std::string& title, MessageIcon icon) override;
  std::string ask(const Question& question) override;
  void setClipboardText(const std::string& text) override;
  Browser& mainBrowser() override { return main_; }
  PreviewWindow& previewWindow() override;
  Splash& splash() override { return *splash_; }
  bool openUrl(const std::string& url) override;
  void processEvents() override;
  void showStatus(const std::string& text) override;

  QtBrowser& qtMainBrowser() { return main_; }
  frmWeb* existingPreview() const { return preview_; }
  frmFirst* splashWindow() const { return splash_.get(); }
  void setDialogParent(QWidget* w) { parent_ = w; }
  // Where message boxes and questions go: the preview window while it is in front, else the
  // main window.
  QWidget* frontWindow() const;
  // Closes the splash and the preview window (when the main window goes).
  void closeAll();

 private:
  QtBrowser main_;
  std::unique_ptr<frmFirst> splash_;
  QPointer<frmWeb> preview_;
  QWidget* parent_ = nullptr;
};

}  // namespace bq::gui
