#include "FilterChain.h"

#include <cctype>

#include "UsageError.h"
#include "imaging/FilterRegistry.h"

namespace tool {

using imaging::Image;
using imaging::Rect;

namespace {

double parseScale(const std::string& s) {
    std::vector<double> v = parseNumberList(s);
    if (v.size() != 1 || !(v[0] > 0) || v[0] > 16)
        throw UsageError("--scale wants a number above 0 and at most 16, not \"" + s + "\"");
    return v[0];
}

Rect parseRegion(const std::string& s) {
    std::vector<double> v;
    try {
        v = parseNumberList(s);
    } catch (const UsageError&) {
    }
    if (v.size() != 4 || !(v[2] > 0) || !(v[3] > 0))
        throw UsageError("--region wants x,y,width,height with a positive size, not \"" + s + "\"");
    return {v[0], v[1], v[2], v[3]};
}

std::string lower(std::string s) {
    for (auto& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// The filter's key that `given` names: exact, or without the "input" prefix, ignoring case.
const imaging::Attribute* findKey(const imaging::Filter& f, const std::string& given) {
    if (auto* a = f.attribute(given)) return a;
    const std::string want = lower(given), prefixed = "input" + want;
    for (auto& a : f.attributes()) {
        const std::string k = lower(a.key);
        if (k == want || k == prefixed) return &a;
    }
    return nullptr;
}

std::string keyList(const imaging::Filter& f) {
    std::string s;
    for (auto& k : f.inputKeys()) s += (s.empty() ? "" : ", ") + k;
    return s;
}

}  // namespace

RenderRequest parseRenderArguments(const std::vector<std::string>& args) {
    RenderRequest r;
    std::vector<std::string> positional;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i], attached;
        bool hasAttached = false;
        if (arg.starts_with("--")) {
            if (size_t eq = arg.find('='); eq != std::string::npos) {
                attached = arg.substr(eq + 1);
                arg = arg.substr(0, eq);
                hasAttached = true;
            }
        }
        auto operand = [&]() -> std::string {
            if (hasAttached) return attached;
            if (i + 1 >= args.size()) throw UsageError(arg + " needs a value");
            return args[++i];
        };
        if (arg == "--filter") {
            std::string name = operand();
            if (name.empty()) throw UsageError("--filter needs a filter name");
            r.steps.push_back({name, {}});
        } else if (arg == "--scale") {
            r.scale = parseScale(operand());
        } else if (arg == "--region") {
            r.region = parseRegion(operand());
        } else if (arg == "--time") {
            r.time = true;
        } else if (arg == "--working-space") {
            const std::string v = operand();
            if (v == "linear") {
                r.workingSpace = imaging::WorkingSpace::Linear;
            } else if (v == "none") {
                r.workingSpace = imaging::WorkingSpace::None;
            } else {
                throw UsageError("--working-space is linear or none, not \"" + v + "\"");
            }
        } else if (arg == "--depth") {
            const std::string v = operand();
            if (v != "8" && v != "16")
                throw UsageError("--depth is 8 or 16 bits per channel, not \"" + v + "\"");
            r.depth = std::stoi(v);
        } else if (arg.starts_with("--")) {
            throw UsageError("unknown option " + arg);
        } else if (size_t eq = arg.find('='); eq != std::string::npos && !r.steps.empty()) {
            if (eq == 0) throw UsageError("\"" + arg + "\" names no input key");
            r.steps.back().settings.emplace_back(arg.substr(0, eq), arg.substr(eq + 1));
        } else if (positional.size() < 2) {
            positional.push_back(arg);
        } else if (r.steps.empty()) {
            throw UsageError("\"" + arg + "\": settings follow the --filter they belong to");
        } else {
            throw UsageError("\"" + arg + "\" is neither an option nor a key=value setting");
        }
    }
    if (positional.size() < 2) throw UsageError("render needs an input and an output file");
    r.input = positional[0];
    r.output = positional[1];
    return r;
}

std::unique_ptr<imaging::Filter> configureStep(const ChainStep& step, const Image& input,
                                               const ImageLoader& loadImage) {
    auto f = imaging::FilterRegistry::shared().filterWithName(step.filter);
    if (!f)
        throw UsageError("there is no filter \"" + step.filter +
                         "\" (deverav-filter list shows them)");
    f->setDefaults();
    if (f->attribute("inputImage")) f->setValue("inputImage", input);
    for (auto& [given, text] : step.settings) {
        const imaging::Attribute* a = findKey(*f, given);
        if (!a)
            throw UsageError(step.filter + " has no input \"" + given +
                             "\" (its inputs: " + keyList(*f) + ")");
        if (a->key == "inputImage")
            throw UsageError(step.filter +
                             ": inputImage is the previous result in the chain (the input file "
                             "for the first filter)");
        imaging::Value v = parseValue(*a, text, loadImage);
        if (!f->setValue(a->key, v))
            throw UsageError(step.filter + ": " + a->key + " refuses the value \"" + text + "\"");
    }
    for (auto& a : f->attributes())
        if (a.isImage() && !a.optional && f->value(a.key).toImage().isNull())
            throw UsageError(step.filter + " needs an image for " + a.key + " (" + a.key +
                             "=FILE)");
    return f;
}

Image applyChain(const std::vector<ChainStep>& steps, const Image& input,
                 const ImageLoader& loadImage) {
    Image current = input;
    for (auto& step : steps) {
        auto f = configureStep(step, current, loadImage);
        current = f->outputImage();
        if (!current) throw UsageError(step.filter + " gave no result with these settings");
    }
    return current;
}

Rect defaultRegion(const Rect& result, const Rect& picture) {
    return result.isInfinite() ? picture : result;
}

}  // namespace tool
