#pragma once
// A colour well: shows a colour (over a checkerboard where it is translucent) and opens the
// colour chooser when clicked; every colour picked there is the well's new colour.

#include <QColor>
#include <QPointer>
#include <QWidget>

class QColorDialog;

namespace workbench {

class ColorWell : public QWidget {
    Q_OBJECT

  public:
    explicit ColorWell(QWidget* parent = nullptr);
    ~ColorWell() override;

    QColor color() const { return m_color; }
    void setColor(const QColor& c);
    // Opens the colour chooser for this well.
    void activate();

  Q_SIGNALS:
    // The user picked a colour.
    void colorChanged();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    QColor m_color = Qt::white;
    QPointer<QColorDialog> m_dialog;
};

}  // namespace workbench
