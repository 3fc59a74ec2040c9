#pragma once
// An image well that remembers the file its picture came from: a dropped picture file is shown
// and reported; dragging from the well offers that file to others.

#include <QImage>
#include <QPoint>
#include <QString>
#include <QWidget>

namespace workbench {

class DovOdovoImageView : public QWidget {
    Q_OBJECT

  public:
    explicit DovOdovoImageView(QWidget* parent = nullptr);

    QString filePath() const { return m_filePath; }
    void setFilePath1(const QString& path) { m_filePath = path; }
    QImage image() const { return m_image; }
    // Shown scaled to fit, keeping its proportions.
    void setImage(const QImage& image);
    // What a drop ends in: the first file offered (nothing when none is), shown, then reported.
    void concludeDragOperation(const QStringList& files);

  Q_SIGNALS:
    // A file was dropped on the well.
    void imageDropped();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    QString m_filePath;
    QImage m_image;
    QPoint m_pressAt;
    bool m_pressed = false;
};

}  // namespace workbench
