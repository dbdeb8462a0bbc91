// The preview control.
#include "PictureBox.h"

#include <QPainter>

#include "pixels/Raster.h"
#include "renditions/PictureView.h"

namespace albumon {

QImage RasterImage(const Raster& raster) {
    if (raster.Empty())
        return QImage();
    const auto* bits = raster.Row(0);
    const auto stride = static_cast<qsizetype>(raster.RowLength());
    if (raster.Format() == pf24bit) {
        return QImage(bits, raster.Width(), raster.Height(), stride, QImage::Format_BGR888).copy();
    }
    QImage image(bits, raster.Width(), raster.Height(), stride, QImage::Format_Indexed8);
    QList<QRgb> colours;
    for (const PaletteColor& c : raster.Palette())
        colours << qRgb(c.red, c.green, c.blue);
    while (colours.size() < 256)
        colours << qRgb(0, 0, 0);
    image.setColorTable(colours);
    return image.convertToFormat(QImage::Format_RGB32);
}

PictureBox::PictureBox(PictureView& view, QWidget* parent) : QWidget(parent), view_(view) {
    view_.Left = 0;
    view_.Top = 0;
    view_.Width = parent->width();
    view_.Height = parent->height();
    SyncGeometry();
}

void PictureBox::SyncGeometry() {
    setGeometry(view_.Left, view_.Top, view_.Width, view_.Height);
    setVisible(view_.Visible);
    update();
}

void PictureBox::paintEvent(QPaintEvent*) {
    const Raster* raster = view_.DisplayRaster();
    if (raster == nullptr)
        return;
    QImage image = RasterImage(*raster);
    QPainter painter(this);
    if (view_.Stretch) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(rect(), image);
    } else if (view_.Center) {
        painter.drawImage((width() - image.width()) / 2, (height() - image.height()) / 2, image);
    } else {
        painter.drawImage(0, 0, image);
    }
}

}  // namespace albumon
