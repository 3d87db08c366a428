#include "VersionDialog.h"

#include "Forms.h"

namespace korvana {
namespace {

constexpr int kClientWidth = 572;
constexpr int kClientHeight = 274;

QLabel* MakeLabel(QWidget* parent, const char* name, const QRect& geometry, const QString& text) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  label->setGeometry(geometry);
  return label;
}

// A line of text on white in a single border, as the form's static texts.
QLabel* MakeStaticText(QWidget* parent, const char* name, int top) {
  QLabel* text = MakeLabel(parent, name, QRect(32, top, 513, 20), {});
  text->setFrameStyle(QFrame::Box | QFrame::Plain);
  text->setAutoFillBackground(true);
  QPalette pal = text->palette();
  pal.setColor(QPalette::Window, Qt::white);
  pal.setColor(QPalette::WindowText, Qt::black);
  text->setPalette(pal);
  text->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return text;
}

}  // namespace

VersionDialog::VersionDialog(QWidget* parent) : QDialog(parent) {
  setObjectName("TFver");
  setWindowTitle(QStringLiteral("バージョン情報"));
  // A tool window without border icons: "閉じる" and Esc close it.
  setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::CustomizeWindowHint);
  setFixedSize(kClientWidth, kClientHeight);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, Qt::black);
  pal.setColor(QPalette::WindowText, Qt::white);
  setPalette(pal);
  setAutoFillBackground(true);

  Label1 = MakeLabel(this, "Label1", QRect(30, 8, 76, 17), QStringLiteral("インタプリタ"));
  Label2 = MakeLabel(this, "Label2", QRect(110, 8, 84, 17), {});
  Label3 = MakeLabel(this, "Label3", QRect(210, 8, 200, 17), QStringLiteral("Korvana"));
  Label4 = MakeLabel(this, "Label4", QRect(418, 8, 124, 17),
                     QStringLiteral("Qt ") + QString::fromLatin1(qVersion()));
  VerImage = MakeLabel(this, "VerImage", QRect(30, 42, 512, 128), {});
  VerImage->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  StaticText1 = MakeStaticText(this, "StaticText1", 176);
  StaticText2 = MakeStaticText(this, "StaticText2", 200);

  Button1 = new QPushButton(QStringLiteral("閉じる"), this);
  Button1->setObjectName("Button1");
  Button1->setGeometry(244, 232, 83, 25);
  Button1->setDefault(true);
  connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
}

void VersionDialog::Prepare(const VersionInfo& info) {
  Label2->setText(Q(info.versionLine));
  // The area shows the picture's corner unscaled, as the engine cut it.
  if (info.picture && !info.picture->Empty()) {
    VerImage->setPixmap(QPixmap::fromImage(ImageOf(*info.picture).copy()));
  } else {
    VerImage->clear();
  }
  StaticText1->setText(Q(info.programLine));
  StaticText2->setText(Q(info.pathLine));
  Button1->setFocus(Qt::OtherFocusReason);
}

void VersionDialog::ShowInfo(const VersionInfo& info) {
  Prepare(info);
  CentreOnScreen(this);
  exec();
}

}  // namespace korvana
