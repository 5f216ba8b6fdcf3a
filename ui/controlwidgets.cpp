#include "controlwidgets.h"

#include "tahoma.h"

#include <QGroupBox>
#include <QIcon>
#include <QImageReader>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>

QRect toPixelRect(const Twips &twips)
{
    return { toPixels(twips.left), toPixels(twips.top), toPixels(twips.width), toPixels(twips.height) };
}

QWidget *createWidget(const ControlRow &row, QWidget *parent)
{
    const auto caption = toQString(row.caption);
    QWidget *widget = nullptr;
    switch (row.kind) {
    case Kind::Frame:
        widget = new QGroupBox(caption, parent);
        break;
    case Kind::OptionButton:
        widget = new QRadioButton(caption, parent);
        break;
    case Kind::CommandButton:
        widget = new QPushButton(caption, parent);
        break;
    case Kind::Label: {
        auto *label = new QLabel(caption, parent);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignCenter);
        widget = label;
        break;
    }
    }
    widget->setObjectName(toQString(row.name));
    widget->setGeometry(toPixelRect(row.geometry));
    widget->setEnabled(row.enabled);
    if (row.pointSize != kWindowFont)
        widget->setFont(tahoma(row.pointSize));
    return widget;
}

QIcon windowIcon(std::span<const int> sizes)
{
    // PNGs read by Qt's own decoder: an .ico, or any image whose format Qt must guess, first loads every image
    // plugin (about 2 ms of start-up).
    QIcon icon;
    for (const int size : sizes) {
        QImageReader reader(QStringLiteral(":/icons/%1x%1/tevrolin.png").arg(size), "png");
        reader.setAutoDetectImageFormat(false);
        icon.addPixmap(QPixmap::fromImage(reader.read()));
    }
    return icon;
}
