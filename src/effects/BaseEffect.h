#pragma once
// The base of every effect that is not an image filter: the 3D effects and the generators.
// The controller keeps one prototype of each effect class; the effect the user works on is
// always a copy (mycopy) of a prototype or of a favourite.

#include <QImage>
#include <QPointF>
#include <QString>
#include <QVariantMap>
#include <functional>
#include <memory>
#include <optional>

class QFont;
class QLabel;
class QRect;
class QWidget;

namespace threed {
class Texture2D;
}

namespace effects {

// The settings dictionary an effect saves into and restores from the favourites.
using EffectSettings = QVariantMap;

class BaseEffect {
  public:
    virtual ~BaseEffect();

    // The effect's class name as stored under "class" in its settings.
    virtual QString className() const = 0;

    virtual QImage getDrawImage();
    virtual EffectSettings save() const;
    virtual void read(const EffectSettings& settings);
    QPointF startPoint() const { return m_startPT; }

    virtual void reloadImage() {}
    virtual void loadImage() {}
    virtual void setUpControlsView() {}
    virtual void mouseDragged(QPointF) {}
    virtual void mouseUp(QPointF) {}
    virtual void mouseDown(QPointF) {}
    virtual void draw() {}

    // A working copy: every concrete effect copies its own parameters on top of the base copy.
    virtual std::unique_ptr<BaseEffect> mycopy() const;
    // A fresh default instance of the same class with this one's name, tips and controls host.
    std::unique_ptr<BaseEffect> copyWithZone() const;

    virtual void clearEffect() {}
    virtual void initEffect() {}

    QWidget* getTopControlsView() const { return topControlsView; }
    void setTopControlsView(QWidget* view) { topControlsView = view; }
    // Removes every child widget of the controls host.
    void clearTopControlsView();

    void setName(const QString& name) { m_name = name; }
    void setTips(const QString& tips) { m_tips = tips; }
    const QString& name() const { return m_name; }
    const QString& tips() const { return m_tips; }

    // True for the generators the user places with the mouse.
    virtual bool isMousing() const { return false; }

    bool wasInitialised() const { return wasInit; }
    // The cached picture: as a texture (3D effects) or as an image (generators).
    const std::shared_ptr<threed::Texture2D>& texture() const { return m_texture; }
    const QImage& image() const { return m_image; }

  protected:
    BaseEffect() = default;
    // A default-initialised object of the concrete class.
    virtual std::unique_ptr<BaseEffect> newInstance() const = 0;

    // A stored setting as a number: present, of a number kind (numbers, booleans, numeric text)
    // and finite; nothing otherwise. Settings come back from favourites written by other runs
    // or damaged, so every reader goes through this.
    static std::optional<double> storedNumber(const EffectSettings& d, const QString& key);
    // Records `undo` on the application's undo history against this effect (nothing without
    // one).
    void registerUndo(std::function<void()> undo);

    // The controls panel, shared by the families. `rows` builds the controls into the cleared
    // controls host; a failure is logged and ends the building.
    void buildControlsPanel(const std::function<void(QWidget* host)>& rows);
    // The bordered view behind a panel's controls, filling the host.
    static void addPanelBorder(QWidget* host);
    // Places `child` by its y-up `frame` in a panel `panelHeight` high that keeps to the host's
    // top however tall the host is.
    static void placeAtTop(QWidget* host, QWidget* child, QRect frame, int panelHeight, int mask);
    // A row label of a panel: white on the border, right-aligned, in `font`; not yet placed.
    static QLabel* makeRowLabel(QWidget* host, const QString& text, const QFont& font);

    bool wasInit = false;
    QWidget* topControlsView = nullptr;
    std::shared_ptr<threed::Texture2D> m_texture;
    QImage m_image;
    bool gTrackball = false;
    QPointF m_startPT;

  private:
    QString m_name, m_tips;
};

// The settings keys every effect writes.
inline const QString kEffectName = QStringLiteral("Name");
inline const QString kEffectTips = QStringLiteral("Tips");
inline const QString kEffectStartX = QStringLiteral("startPT.x");
inline const QString kEffectStartY = QStringLiteral("startPT.y");
inline const QString kEffectClass = QStringLiteral("class");

}  // namespace effects
