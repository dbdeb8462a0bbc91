// The preview control: draws a picture view's picture at the view's place, stretched when the
// view says so.
#pragma once

#include <QImage>
#include <QWidget>

namespace albumon {

class PictureView;
class Raster;

// The pixels of a raster as an image that shares nothing with it.
QImage RasterImage(const Raster& raster);

class PictureBox : public QWidget {
    Q_OBJECT

  public:
    PictureBox(PictureView& view, QWidget* parent);

    // Takes the view's place and visibility and draws it anew.
    void SyncGeometry();

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    PictureView& view_;
};

}  // namespace albumon
