#include "FilterListing.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "imaging/FilterRegistry.h"

namespace tool {

using imaging::Attribute;
using imaging::Value;

namespace {

QJsonValue toJson(const Value& v) {
    switch (v.kind()) {
        case Value::Kind::Number:
            return v.toNumber();
        case Value::Kind::Boolean:
            return v.toBool();
        case Value::Kind::Vector: {
            QJsonArray a;
            const imaging::Vector vec = v.toVector();
            for (double d : vec.values()) a.append(d);
            return a;
        }
        case Value::Kind::Color: {
            auto c = v.toColor();
            return QJsonObject{{"r", c.r}, {"g", c.g}, {"b", c.b}, {"a", c.a}};
        }
        case Value::Kind::Transform: {
            auto t = v.toTransform();
            return QJsonArray{t.a, t.b, t.c, t.d, t.tx, t.ty};
        }
        case Value::Kind::String:
        case Value::Kind::Data:
            return QString::fromStdString(v.toString());
        case Value::Kind::None:
        case Value::Kind::Image:
            break;
    }
    return QJsonValue::Null;
}

std::string number(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%g", v);
    return buf;
}

std::string describe(const Attribute& a) {
    std::string s = "  " + a.key + "  " + a.className;
    if (!a.type.empty()) s += "  " + a.type;
    s += "  \"" + a.displayName + "\"";
    if (!a.defaultValue.isNone()) s += "  default " + a.defaultValue.toString();
    if (a.min) s += "  min " + number(*a.min);
    if (a.max) s += "  max " + number(*a.max);
    if (a.sliderMin || a.sliderMax)
        s += "  slider " + (a.sliderMin ? number(*a.sliderMin) : "") + ".." +
             (a.sliderMax ? number(*a.sliderMax) : "");
    if (a.optional) s += "  optional";
    return s + "\n";
}

}  // namespace

std::string listText(const std::vector<std::string>& names) {
    std::string out;
    for (auto& name : names) {
        auto f = imaging::FilterRegistry::shared().filterWithName(name);
        if (!f) continue;
        out += f->name() + "  \"" + f->displayName() + "\"\n  categories:";
        for (auto& c : f->categories()) out += " " + c;
        out += "\n";
        for (auto& a : f->attributes()) out += describe(a);
    }
    return out;
}

std::string listJson(const std::vector<std::string>& names) {
    QJsonArray filters;
    for (auto& name : names) {
        auto f = imaging::FilterRegistry::shared().filterWithName(name);
        if (!f) continue;
        QJsonArray categories, inputs;
        for (auto& c : f->categories()) categories.append(QString::fromStdString(c));
        for (auto& a : f->attributes()) {
            QJsonObject o{{"key", QString::fromStdString(a.key)},
                          {"class", QString::fromStdString(a.className)},
                          {"displayName", QString::fromStdString(a.displayName)}};
            if (!a.type.empty()) o["type"] = QString::fromStdString(a.type);
            if (!a.defaultValue.isNone()) o["default"] = toJson(a.defaultValue);
            if (a.min) o["min"] = *a.min;
            if (a.max) o["max"] = *a.max;
            if (a.sliderMin) o["sliderMin"] = *a.sliderMin;
            if (a.sliderMax) o["sliderMax"] = *a.sliderMax;
            if (a.optional) o["optional"] = true;
            inputs.append(o);
        }
        filters.append(QJsonObject{{"name", QString::fromStdString(f->name())},
                                   {"displayName", QString::fromStdString(f->displayName())},
                                   {"categories", categories},
                                   {"inputs", inputs}});
    }
    return QJsonDocument(filters).toJson(QJsonDocument::Indented).toStdString();
}

}  // namespace tool
