#include "shell/home_panel.h"

#include <QDesktopServices>
#include <QVBoxLayout>

#include "common/app_constants.h"

#ifdef TALVESSO_HAVE_WEBENGINE
#include <QShortcut>
#include <QWebEngineView>
#else
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPushButton>
#include <QTextBrowser>
#endif

namespace talvesso {

QUrl HomePageUrl(const std::string& baseUrl) {
  QUrl url(QString::fromStdString(baseUrl));
  if (!url.isValid() || url.host().isEmpty() ||
      (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https"))) {
    url = QUrl(QString::fromLatin1(kDefaultBaseUrl));
  }
  QUrl home;
  home.setScheme(url.scheme());
  home.setHost(url.host());
  home.setPort(url.port());
  home.setPath(QStringLiteral("/"));
  return home;
}

#ifdef TALVESSO_HAVE_WEBENGINE

namespace {

// Every request of a page to open a window of its own is refused.
class TNoPopupView : public QWebEngineView {
 public:
  using QWebEngineView::QWebEngineView;

 protected:
  QWebEngineView* createWindow(QWebEnginePage::WebWindowType) override { return nullptr; }
};

}  // namespace

bool THomePanel::Embedded() { return true; }

THomePanel::THomePanel(QWidget* parent) : QWidget(parent) {
  WB = new TNoPopupView(this);
  WB->setObjectName(QStringLiteral("WB"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(WB);
  // Ctrl+N never opens a new browser window.
  auto* swallow = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_N), WB);
  swallow->setContext(Qt::WidgetWithChildrenShortcut);
  connect(WB, &QWebEngineView::loadFinished, this, &THomePanel::pageLoaded);
}

void THomePanel::Navigate(const QUrl& url) {
  Url_ = url;
  WB->load(url);
}

#else

namespace {
constexpr qint64 kMaxPageBytes = 2 * 1024 * 1024;
}

bool THomePanel::Embedded() { return false; }

THomePanel::THomePanel(QWidget* parent) : QWidget(parent) {
  edtAddress = new QLineEdit(this);
  edtAddress->setObjectName(QStringLiteral("edtAddress"));
  edtAddress->setReadOnly(true);
  btnOpenBrowser = new QPushButton(QStringLiteral("브라우저로 열기"), this);
  btnOpenBrowser->setObjectName(QStringLiteral("btnOpenBrowser"));
  txtPage = new QTextBrowser(this);
  txtPage->setObjectName(QStringLiteral("txtPage"));
  // Links open in the system browser, never inside the panel or in new windows.
  txtPage->setOpenLinks(false);
  Network_ = new QNetworkAccessManager(this);
  Network_->setTransferTimeout(15000);

  auto* bar = new QHBoxLayout;
  bar->setContentsMargins(6, 6, 6, 0);
  bar->addWidget(new QLabel(QStringLiteral("주소 :"), this));
  bar->addWidget(edtAddress, 1);
  bar->addWidget(btnOpenBrowser);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(6);
  layout->addLayout(bar);
  layout->addWidget(txtPage, 1);

  connect(btnOpenBrowser, &QPushButton::clicked, this, [this] { QDesktopServices::openUrl(Url_); });
  connect(txtPage, &QTextBrowser::anchorClicked, this,
          [this](const QUrl& link) { QDesktopServices::openUrl(Url_.resolved(link)); });
}

void THomePanel::Navigate(const QUrl& url) {
  Url_ = url;
  edtAddress->setText(url.toString());
  if (Pending_) {
    Pending_->disconnect(this);
    Pending_->abort();
    Pending_->deleteLater();
  }
  txtPage->setHtml(QStringLiteral("<p style='color:#6b7785'>%1 ...</p>")
                       .arg(QStringLiteral("홈페이지를 불러오는 중입니다")));
  QNetworkRequest request(url);
  request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                       QNetworkRequest::NoLessSafeRedirectPolicy);
  Pending_ = Network_->get(request);
  QNetworkReply* reply = Pending_;
  connect(reply, &QNetworkReply::downloadProgress, this, [reply](qint64 received, qint64) {
    if (received > kMaxPageBytes) reply->abort();
  });
  connect(reply, &QNetworkReply::finished, this, [this, reply] { ShowReply(reply); });
}

void THomePanel::ShowReply(QNetworkReply* reply) {
  if (reply == Pending_) Pending_ = nullptr;
  reply->deleteLater();
  const bool ok = reply->error() == QNetworkReply::NoError;
  if (ok) {
    txtPage->setHtml(QString::fromUtf8(reply->readAll()));
  } else {
    txtPage->setHtml(
        QStringLiteral("<div style='margin:24px; color:#44505e'>"
                       "<p style='font-size:13pt; font-weight:bold'>%1</p><p>%2</p>"
                       "<p style='color:#8a939d'>%3</p></div>")
            .arg(QStringLiteral("홈페이지를 불러오지 못했습니다."),
                 QStringLiteral("'브라우저로 열기' 버튼으로 시스템 브라우저에서 열 수 있습니다."),
                 Url_.toString().toHtmlEscaped()));
  }
  emit pageLoaded(ok);
}

#endif

}  // namespace talvesso
