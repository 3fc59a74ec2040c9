#pragma once
// The 3D canvas. Until the OpenGL canvas arrives it shows the picture flat, fitted into the
// view, as the 3D canvas does when no 3D effect is selected.

#include <QImage>
#include <QWidget>
#include <functional>

#include "imaging/Image.h"

namespace threed {

class MyOGLView : public QWidget {
    Q_OBJECT

  public:
    // Redraws on "UpdateOpenGLView".
    explicit MyOGLView(QWidget* parent = nullptr);
    ~MyOGLView() override;

    void setImageSource(std::function<imaging::Image()> picture);
    // The frame as the canvas shows it now, at the canvas's size; null when the canvas has no
    // size.
    QImage ogl_shot();
    // The same as a picture, its extent at the origin.
    imaging::Image ogl_shot_CI();

    void setContextMenuHandler(std::function<void(const QPoint& globalPos)> handler) {
        m_contextMenu = std::move(handler);
    }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    std::function<imaging::Image()> m_picture;
    std::function<void(const QPoint&)> m_contextMenu;
};

}  // namespace threed
