#include <gtest/gtest.h>

#include <QLabel>
#include <QWidget>

#include "generators/linesEffect.h"
#include "generators/simpleEffects.h"
#include "threed/EvalEffect.h"

using effects::BaseEffect;

TEST(BaseEffect, SaveAndReadCarryTheBaseKeys) {
    generators::linesEffect proto;
    proto.awakeFromNib();
    effects::EffectSettings d = proto.save();
    EXPECT_EQ(d.value("Name").toString(), "Lines Effect");
    EXPECT_EQ(d.value("Tips").toString(), "Lines Effect Generator");
    EXPECT_EQ(d.value("class").toString(), "linesEffect");
    EXPECT_EQ(d.value("startPT.x").typeId(), QMetaType::Float);

    d["Name"] = "My lines";
    d["startPT.x"] = 12.5f;
    d["startPT.y"] = -3.0f;
    auto copy = proto.mycopy();
    copy->read(d);
    EXPECT_EQ(copy->name(), "My lines");
    EXPECT_EQ(copy->startPoint(), QPointF(12.5, -3.0));
    EXPECT_EQ(copy->save(), d);
}

TEST(BaseEffect, ReadingOnlyTheClassChangesNothing) {
    threed::EvalEffect e;
    e.awakeFromNib();
    const effects::EffectSettings before = e.save();
    e.read({{"class", "EvalEffect"}});
    EXPECT_EQ(e.save(), before);
    // Values of the wrong kind are ignored rather than read as zero.
    e.read({{"startPT.x", "not a number"}});
    EXPECT_EQ(e.save(), before);
}

TEST(BaseEffect, ACopyIsAFreshObjectOfTheSameClassSharingNameTipsAndHost) {
    QWidget host;
    generators::simpleEffects proto;
    proto.awakeFromNib();
    proto.setTopControlsView(&host);
    proto.read({{"startPT.x", 5.0f}});
    auto copy = proto.mycopy();
    ASSERT_TRUE(dynamic_cast<generators::simpleEffects*>(copy.get()));
    EXPECT_NE(copy.get(), &proto);
    EXPECT_EQ(copy->name(), "Simple Objects");
    EXPECT_EQ(copy->tips(), "Simple Objects Generator");
    EXPECT_EQ(copy->getTopControlsView(), &host);
    EXPECT_EQ(copy->startPoint(), QPointF());  // not copied by the base
    EXPECT_FALSE(copy->wasInitialised());
    EXPECT_FALSE(copy->texture());
    EXPECT_TRUE(copy->image().isNull());
    EXPECT_FALSE(copy->isMousing());
}

TEST(BaseEffect, ClearingTheControlsHostRemovesEveryChild) {
    QWidget host;
    threed::EvalEffect e;
    e.clearTopControlsView();  // no host: nothing happens
    e.setTopControlsView(&host);
    e.clearTopControlsView();  // no children: nothing happens
    new QLabel("a", &host);
    new QLabel("b", &host);
    e.clearTopControlsView();
    EXPECT_TRUE(host.findChildren<QWidget*>().isEmpty());
}
