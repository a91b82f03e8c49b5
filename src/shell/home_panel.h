// The home-page panel. With Qt WebEngine (found when the program was configured) an embedded
// browser that never opens windows of its own; without it, the address, a button that opens
// the system browser, and the page's plain HTML shown as rich text.
#pragma once

#include <QUrl>
#include <QWidget>

class QLineEdit;
class QPushButton;
class QTextBrowser;
class QNetworkAccessManager;
class QNetworkReply;
class QWebEngineView;

namespace talvesso {

// The service's home page: the root of the backend's host ("http://host:port/"), or the
// built-in site when the backend address is not a usable URL.
QUrl HomePageUrl(const std::string& baseUrl);

class THomePanel : public QWidget {
  Q_OBJECT
 public:
  explicit THomePanel(QWidget* parent = nullptr);
  void Navigate(const QUrl& url);
  QUrl Url() const { return Url_; }
  // true when the page is shown by an embedded browser.
  static bool Embedded();

 signals:
  void pageLoaded(bool ok);

 private:
  QUrl Url_;
#ifdef TALVESSO_HAVE_WEBENGINE
  QWebEngineView* WB = nullptr;
#else
  void ShowReply(QNetworkReply* reply);
  QLineEdit* edtAddress = nullptr;
  QPushButton* btnOpenBrowser = nullptr;
  QTextBrowser* txtPage = nullptr;
  QNetworkAccessManager* Network_ = nullptr;
  QNetworkReply* Pending_ = nullptr;
#endif
};

}  // namespace talvesso
