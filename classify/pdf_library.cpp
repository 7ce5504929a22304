// The PDF inventory read with the PDF library: the file opened through the check's byte
// source, every page's content walked token by token (forms, tiling patterns, Type 3
// glyphs and annotation appearances drawn from it, inline images and shadings), colour
// spaces resolved through the resources in effect. The library throws; everything it
// throws is caught in this file. Built as the PDF module, which the tool loads at the
// first PDF it examines; the profile reader is the tool's, called back. Runs on the
// check's thread, one library document per check.

// The library's smart pointers as std::shared_ptr, without its transition warning.
#define POINTERHOLDER_TRANSITION 4
#include <qpdf/Buffer.hh>
#include <qpdf/BufferInputSource.hh>
#include <qpdf/InputSource.hh>
#include <qpdf/Pipeline.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFTokenizer.hh>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "classify/pdf.h"

namespace {

// ---- The file as the library's input ------------------------------------------------------

// The byte source seen through a window, since the library's tokenizer asks for a few
// bytes at a time.
class SourceInput : public InputSource {
   public:
    explicit SourceInput(const PdfSource& source) : source_(source), window_(kWindowSize) {}

    qpdf_offset_t findAndSkipNextEOL() override {
        char ch = 0;
        for (;;) {
            const qpdf_offset_t at = position_;
            if (read(&ch, 1) == 0) return position_;
            if (ch != '\r' && ch != '\n') continue;
            while (read(&ch, 1) == 1) {
                if (ch != '\r' && ch != '\n') {
                    unreadCh(ch);
                    break;
                }
            }
            return at;
        }
    }
    std::string const& getName() const override { return name_; }
    qpdf_offset_t tell() override { return position_; }
    void seek(qpdf_offset_t offset, int whence) override {
        qpdf_offset_t base = 0;
        if (whence == SEEK_CUR) base = position_;
        if (whence == SEEK_END) base = static_cast<qpdf_offset_t>(source_.size);
        if (offset < 0 && base < -offset) throw std::runtime_error("seek before the start");
        position_ = base + offset;
    }
    void rewind() override { position_ = 0; }
    size_t read(char* buffer, size_t length) override {
        last_offset = position_;
        size_t got = 0;
        while (got < length && static_cast<std::uint64_t>(position_) < source_.size) {
            const std::uint64_t at = static_cast<std::uint64_t>(position_);
            if (at < window_start_ || at >= window_start_ + window_used_) {
                window_start_ = at;
                window_used_ = source_.read(source_.context, at, window_.data(), kWindowSize);
                // Short of the size it claimed, the file failed or shrank: the library's
                // recovery would scan the missing rest for ever, so the reading ends here.
                if (window_used_ == 0) throw std::runtime_error("the file could not be read");
            }
            const std::size_t offset = static_cast<std::size_t>(at - window_start_);
            const std::size_t take = std::min(length - got, window_used_ - offset);
            std::memcpy(buffer + got, window_.data() + offset, take);
            got += take;
            position_ += static_cast<qpdf_offset_t>(take);
        }
        return got;
    }
    void unreadCh(char) override {
        if (position_ > 0) --position_;
    }

   private:
    static constexpr std::size_t kWindowSize = 16384;
    PdfSource source_;
    std::string name_ = "file";
    qpdf_offset_t position_ = 0;
    std::vector<unsigned char> window_;
    std::uint64_t window_start_ = 0;
    std::size_t window_used_ = 0;
};

// A stream's inflated bytes, kept up to a limit; past it the write stops the library's
// inflation with an exception this file catches, the bytes before it kept.
struct CapReached : std::runtime_error {
    CapReached() : std::runtime_error("inflated past the limit") {}
};
class CappedBytes : public Pipeline {
   public:
    CappedBytes(std::string* out, std::uint64_t limit)
        : Pipeline("capped bytes", nullptr), out_(out), limit_(limit) {}
    void write(unsigned char const* data, size_t length) override {
        const std::uint64_t room = limit_ - std::min<std::uint64_t>(limit_, out_->size());
        if (length > room) {
            out_->append(reinterpret_cast<const char*>(data), static_cast<std::size_t>(room));
            reached = true;
            throw CapReached();
        }
        out_->append(reinterpret_cast<const char*>(data), length);
    }
    void finish() override {}
    bool reached = false;

   private:
    std::string* out_;
    std::uint64_t limit_;
};

// ---- Colour spaces --------------------------------------------------------------------

// A colour space as the inventory sees it: the family it counts as, or a pattern space
// with the family of its underlying space (None: a coloured pattern's).
enum class Family : std::uint8_t { Rgb, Cmyk, Grey, Lab, Spot, Other, Pattern, None };
struct Space {
    Family family;
    Family under;  // a Pattern space's underlying space
};
constexpr Space kOtherSpace = {Family::Other, Family::None};

struct DeviceName {
    const char* name;
    Family family;
};
// The device spaces by name, with an inline image's abbreviations.
constexpr DeviceName kDeviceNames[] = {{"/DeviceRGB", Family::Rgb},   {"/RGB", Family::Rgb},
                                       {"/DeviceCMYK", Family::Cmyk}, {"/CMYK", Family::Cmyk},
                                       {"/DeviceGray", Family::Grey}, {"/G", Family::Grey},
                                       {"/Pattern", Family::Pattern}};

// The resources a content stream draws with, and the object that owns them: the key under
// which what a name resolves to is remembered.
struct Frame {
    mutable QPDFObjectHandle resources;  // the library's reads are not const
    QPDFObjGen owner;
};

// The colour state a content stream starts with and keeps across q and Q.
struct ColourState {
    Space fill;
    Space stroke;
};
constexpr ColourState kInitialColour = {{Family::Grey, Family::None}, {Family::Grey, Family::None}};

// Deepest q nesting remembered; deeper saves are counted so Q still pairs them.
constexpr std::size_t kSaveLimit = 1024;
// Operands kept before an operator; more are junk no colour operator takes.
constexpr std::size_t kOperandLimit = 64;
// Links a colour space may follow (Indexed over Pattern over ...) before it is Other.
constexpr int kSpaceDepth = 8;
// Names kept for the sorted list; enough to tell the first kPdfSpotLimit of any file.
constexpr std::size_t kSpotNamesKept = 4096;
// Bytes of an output intent's profile read: header, tag table and description.
constexpr std::uint64_t kIntentProfileBytes = 65536;

std::uint64_t add_saturating(std::uint64_t a, std::uint64_t b) {
    return a > UINT64_MAX - b ? UINT64_MAX : a + b;
}

struct Counts {
    std::uint64_t images[kPdfSpaceCount];
    std::uint64_t vector[kPdfSpaceCount];
};

// One operand: a name's text, or an array or dictionary as parsed; numbers and strings
// are only counted.
struct Operand {
    std::string name;  // with its slash, escapes decoded; empty: not a name
    mutable QPDFObjectHandle object;
};

class Walk {
   public:
    explicit Walk(const PdfLimits& limits) : limits_(limits), counts_{} {}

    void walk_page(QPDFObjectHandle page);
    void finish(PdfInventory* inventory) const;
    bool capped = false;

   private:
    // What a form or pattern drawn with these resources and this colour state adds: its
    // inventory does not change from one draw to the next.
    using DrawKey = std::tuple<QPDFObjGen, QPDFObjGen, int, int>;

    Space resolve_name(const Frame& frame, const std::string& name);
    Space resolve_object(QPDFObjectHandle space, int depth);
    Family family_of(QPDFObjectHandle space, int depth) {
        const Space resolved = resolve_object(space, depth);
        return resolved.family == Family::Pattern ? Family::Other : resolved.family;
    }
    void note_spot(const std::string& name);
    void count(std::uint64_t (&table)[kPdfSpaceCount], Family family);
    bool inflate(QPDFObjectHandle stream, std::string* out);
    void walk_content(const std::string& data, const Frame& frame, ColourState colour, int depth);
    void draw_xobject(const Frame& frame, const std::string& name, const ColourState& colour,
                      int depth);
    void draw_form(QPDFObjectHandle form, const Frame& frame, const ColourState& colour, int depth);
    void draw_stream(QPDFObjectHandle stream, const Frame& inner, const ColourState& colour,
                     int depth);
    void draw_glyphs(const Frame& frame, const std::string& font, const ColourState& colour,
                     int depth);
    Family shading_family(QPDFObjectHandle shading);
    void draw_pattern(const Frame& frame, const std::string& name, const ColourState& colour,
                      int depth, bool* uncoloured);
    void draw_inline_image(const Frame& frame, const std::vector<Operand>& operands);

    const PdfLimits& limits_;
    Counts counts_;
    std::uint64_t inflated_ = 0;
    std::set<std::string> spots_;
    bool spots_cut_ = false;
    std::vector<QPDFObjGen> drawing_;  // the forms and patterns being walked, outermost first
    std::map<DrawKey, Counts> drawn_;
    std::map<std::pair<QPDFObjGen, std::string>, Space> named_spaces_;
    std::map<QPDFObjGen, Space> object_spaces_;
};

int space_code(const Space& space) {
    return static_cast<int>(space.family) * 16 + static_cast<int>(space.under);
}

void Walk::note_spot(const std::string& name) {
    std::string plain = name.size() > 1 && name[0] == '/' ? name.substr(1) : name;
    if (spots_.count(plain) != 0) return;
    if (spots_.size() >= kSpotNamesKept) {
        spots_cut_ = true;
        return;
    }
    spots_.insert(std::move(plain));
}

void Walk::count(std::uint64_t (&table)[kPdfSpaceCount], Family family) {
    if (family == Family::Pattern || family == Family::None) return;
    std::uint64_t& cell = table[static_cast<int>(family)];
    cell = add_saturating(cell, 1);
}

Space Walk::resolve_name(const Frame& frame, const std::string& name) {
    for (const DeviceName& row : kDeviceNames)
        if (name == row.name) return {row.family, Family::None};
    const auto key = std::make_pair(frame.owner, name);
    const auto known = named_spaces_.find(key);
    if (known != named_spaces_.end()) return known->second;
    Space space = kOtherSpace;
    if (frame.resources.isDictionary()) {
        QPDFObjectHandle table = frame.resources.getKey("/ColorSpace");
        if (table.isDictionary() && table.hasKey(name))
            space = resolve_object(table.getKey(name), 0);
    }
    named_spaces_[key] = space;
    return space;
}

Space Walk::resolve_object(QPDFObjectHandle space, int depth) {
    if (depth > kSpaceDepth) return kOtherSpace;
    const QPDFObjGen id = space.getObjGen();
    const bool indirect = id.getObj() != 0;
    if (indirect) {
        const auto known = object_spaces_.find(id);
        if (known != object_spaces_.end()) return known->second;
        // A space that refers back to itself finds this answer on the way.
        object_spaces_[id] = kOtherSpace;
    }
    Space result = kOtherSpace;
    if (space.isName()) {
        const std::string name = space.getName();
        for (const DeviceName& row : kDeviceNames)
            if (name == row.name) result = {row.family, Family::None};
    } else if (space.isArray() && space.getArrayNItems() >= 1 && space.getArrayItem(0).isName()) {
        const std::string family = space.getArrayItem(0).getName();
        const int items = space.getArrayNItems();
        QPDFObjectHandle first = items >= 2 ? space.getArrayItem(1) : QPDFObjectHandle::newNull();
        if (family == "/DeviceRGB" || family == "/CalRGB") {
            result.family = Family::Rgb;
        } else if (family == "/DeviceCMYK") {
            result.family = Family::Cmyk;
        } else if (family == "/DeviceGray" || family == "/CalGray") {
            result.family = Family::Grey;
        } else if (family == "/Lab") {
            result.family = Family::Lab;
        } else if (family == "/ICCBased" && first.isStream()) {
            QPDFObjectHandle dict = first.getDict();
            QPDFObjectHandle n = dict.getKey("/N");
            if (n.isInteger()) {
                const long long components = n.getIntValue();
                result.family = components == 1   ? Family::Grey
                                : components == 3 ? Family::Rgb
                                : components == 4 ? Family::Cmyk
                                                  : Family::Other;
            } else if (dict.hasKey("/Alternate")) {
                result.family = family_of(dict.getKey("/Alternate"), depth + 1);
            }
        } else if (family == "/Indexed" || family == "/I") {
            if (items >= 2) result.family = family_of(first, depth + 1);
        } else if (family == "/Separation") {
            result.family = Family::Spot;
            if (first.isName()) note_spot(first.getName());
        } else if (family == "/DeviceN") {
            result.family = Family::Spot;
            if (first.isArray()) {
                const int names = first.getArrayNItems();
                for (int i = 0; i < names; ++i) {
                    QPDFObjectHandle colorant = first.getArrayItem(i);
                    if (colorant.isName()) note_spot(colorant.getName());
                }
            }
        } else if (family == "/Pattern") {
            result = {Family::Pattern, items >= 2 ? family_of(first, depth + 1) : Family::None};
        } else if (items == 1) {
            result = resolve_object(space.getArrayItem(0), depth + 1);
        }
    }
    if (indirect) object_spaces_[id] = result;
    return result;
}

// The stream's data inflated into `out`, within what is left of the file's budget.
// False when nothing usable came; a cap reached marks the walk Capped and keeps the bytes
// read before it.
bool Walk::inflate(QPDFObjectHandle stream, std::string* out) {
    if (!stream.isStream()) return false;
    const std::uint64_t left = limits_.file_bytes - std::min(limits_.file_bytes, inflated_);
    const std::size_t before = out->size();
    CappedBytes pipe(out, std::min<std::uint64_t>(limits_.stream_bytes, before + left));
    bool whole = false;
    try {
        whole = stream.pipeStreamData(&pipe, 0, qpdf_dl_generalized, true, false);
    } catch (const std::exception&) {
        whole = false;
    }
    if (pipe.reached) capped = true;
    inflated_ += out->size() - before;
    return whole || pipe.reached || out->size() > before;
}

void Walk::walk_page(QPDFObjectHandle page) {
    QPDFPageObjectHelper helper(page);
    Frame frame = {helper.getAttribute("/Resources", false), page.getObjGen()};
    // A page's content streams are one content: a token may run over from one to the next.
    std::string data;
    QPDFObjectHandle contents = page.getKey("/Contents");
    if (contents.isArray()) {
        const int streams = contents.getArrayNItems();
        for (int i = 0; i < streams && !capped; ++i) {
            inflate(contents.getArrayItem(i), &data);
            data.push_back('\n');
        }
    } else {
        inflate(contents, &data);
    }
    walk_content(data, frame, kInitialColour, 0);
    std::string().swap(data);

    // Each annotation's normal appearance: its one stream, or the state /AS selects.
    QPDFObjectHandle annotations = page.getKey("/Annots");
    if (!annotations.isArray()) return;
    const int count = annotations.getArrayNItems();
    for (int i = 0; i < count; ++i) {
        QPDFObjectHandle annotation = annotations.getArrayItem(i);
        if (!annotation.isDictionary()) continue;
        QPDFObjectHandle appearance = annotation.getKey("/AP");
        if (!appearance.isDictionary()) continue;
        QPDFObjectHandle normal = appearance.getKey("/N");
        if (normal.isDictionary() && !normal.isStream()) {
            QPDFObjectHandle state = annotation.getKey("/AS");
            normal = state.isName() ? normal.getKey(state.getName()) : QPDFObjectHandle();
        }
        if (normal.isStream()) draw_form(normal, frame, kInitialColour, 1);
    }
}

void Walk::draw_form(QPDFObjectHandle form, const Frame& frame, const ColourState& colour,
                     int depth) {
    const QPDFObjGen id = form.getObjGen();
    if (depth > limits_.depth ||
        std::find(drawing_.begin(), drawing_.end(), id) != drawing_.end()) {
        capped = true;
        return;
    }
    // A form without resources of its own draws with those of whatever draws it.
    QPDFObjectHandle own = form.getDict().getKey("/Resources");
    draw_stream(form, own.isDictionary() ? Frame{own, id} : frame, colour, depth);
}

// Walks a form, pattern or glyph procedure with the resources it draws with, or adds what
// it added when last drawn so.
void Walk::draw_stream(QPDFObjectHandle form, const Frame& inner, const ColourState& colour,
                       int depth) {
    const QPDFObjGen id = form.getObjGen();
    const DrawKey key(id, inner.owner, space_code(colour.fill), space_code(colour.stroke));
    const auto known = drawn_.find(key);
    if (known != drawn_.end()) {
        for (int i = 0; i < kPdfSpaceCount; ++i) {
            counts_.images[i] = add_saturating(counts_.images[i], known->second.images[i]);
            counts_.vector[i] = add_saturating(counts_.vector[i], known->second.vector[i]);
        }
        return;
    }
    const Counts before = counts_;
    std::string data;
    inflate(form, &data);
    drawing_.push_back(id);
    walk_content(data, inner, colour, depth);
    drawing_.pop_back();
    Counts added;
    for (int i = 0; i < kPdfSpaceCount; ++i) {
        added.images[i] = counts_.images[i] - before.images[i];
        added.vector[i] = counts_.vector[i] - before.vector[i];
    }
    drawn_[key] = added;
}

void Walk::draw_xobject(const Frame& frame, const std::string& name, const ColourState& colour,
                        int depth) {
    if (!frame.resources.isDictionary()) return;
    QPDFObjectHandle table = frame.resources.getKey("/XObject");
    if (!table.isDictionary()) return;
    QPDFObjectHandle xobject = table.getKey(name);
    if (!xobject.isStream()) return;
    QPDFObjectHandle dict = xobject.getDict();
    QPDFObjectHandle subtype = dict.getKey("/Subtype");
    if (!subtype.isName()) return;
    if (subtype.getName() == "/Form") {
        draw_form(xobject, frame, colour, depth + 1);
        return;
    }
    if (subtype.getName() != "/Image") return;
    QPDFObjectHandle mask = dict.getKey("/ImageMask");
    if (mask.isBool() && mask.getBoolValue()) return;
    QPDFObjectHandle space = dict.getKey("/ColorSpace");
    const Family family =
        space.isName() ? resolve_name(frame, space.getName()).family : family_of(space, 0);
    count(counts_.images, family == Family::Pattern ? Family::Other : family);
}

void Walk::draw_pattern(const Frame& frame, const std::string& name, const ColourState& colour,
                        int depth, bool* uncoloured) {
    *uncoloured = false;
    if (!frame.resources.isDictionary()) return;
    QPDFObjectHandle table = frame.resources.getKey("/Pattern");
    if (!table.isDictionary()) return;
    QPDFObjectHandle pattern = table.getKey(name);
    // A tiling pattern has content to walk; a shading pattern paints its shading's space.
    if (!pattern.isStream()) {
        if (pattern.isDictionary())
            count(counts_.vector, shading_family(pattern.getKey("/Shading")));
        return;
    }
    QPDFObjectHandle paint = pattern.getDict().getKey("/PaintType");
    *uncoloured = paint.isInteger() && paint.getIntValue() == 2;
    draw_form(pattern, frame, colour, depth + 1);
}

// The family a shading paints in; a shading cannot name a resource, nor a pattern space.
Family Walk::shading_family(QPDFObjectHandle shading) {
    QPDFObjectHandle dict = shading.isStream() ? shading.getDict() : shading;
    if (!dict.isDictionary()) return Family::None;
    return family_of(dict.getKey("/ColorSpace"), 0);
}

// A Type 3 font's glyph procedures, all of them, walked at the first text the font shows
// after it is selected: which glyphs the text names is its encoding's business, and the
// inventory asks which spaces are painted, not how often. A glyph that begins with d1
// takes the colour the text is shown in and sets none of its own.
void Walk::draw_glyphs(const Frame& frame, const std::string& font, const ColourState& colour,
                       int depth) {
    if (font.empty() || !frame.resources.isDictionary()) return;
    QPDFObjectHandle fonts = frame.resources.getKey("/Font");
    if (!fonts.isDictionary()) return;
    QPDFObjectHandle dict = fonts.getKey(font);
    if (!dict.isDictionary()) return;
    QPDFObjectHandle subtype = dict.getKey("/Subtype");
    if (!subtype.isName() || subtype.getName() != "/Type3") return;
    QPDFObjectHandle procedures = dict.getKey("/CharProcs");
    if (!procedures.isDictionary()) return;
    // Glyphs without resources of their own draw with those of whatever shows the text.
    QPDFObjectHandle own = dict.getKey("/Resources");
    const Frame inner = own.isDictionary() ? Frame{own, dict.getObjGen()} : frame;
    if (depth + 1 > limits_.depth) {
        capped = true;
        return;
    }
    for (const std::string& name : procedures.getKeys()) {
        QPDFObjectHandle glyph = procedures.getKey(name);
        const QPDFObjGen id = glyph.getObjGen();
        if (!glyph.isStream() || std::find(drawing_.begin(), drawing_.end(), id) != drawing_.end())
            continue;
        draw_stream(glyph, inner, colour, depth + 1);
    }
}

void Walk::draw_inline_image(const Frame& frame, const std::vector<Operand>& operands) {
    QPDFObjectHandle space;
    Space named = kOtherSpace;
    bool has_space = false;
    for (std::size_t i = 0; i + 1 < operands.size(); i += 2) {
        const std::string& key = operands[i].name;
        const Operand& value = operands[i + 1];
        if ((key == "/IM" || key == "/ImageMask") && value.object.isBool() &&
            value.object.getBoolValue())
            return;
        if (key == "/CS" || key == "/ColorSpace") {
            has_space = true;
            if (!value.name.empty())
                named = resolve_name(frame, value.name);
            else
                named = {family_of(value.object, 0), Family::None};
        }
    }
    count(counts_.images,
          has_space && named.family != Family::Pattern ? named.family : Family::Other);
}

// The operators the inventory acts on; every other one only ends its operands.
enum class Op : std::uint8_t {
    Other,
    Save,
    Restore,
    Rgb,
    Cmyk,
    Grey,
    SetSpace,
    SetColour,
    Draw,
    BeginImage,
    Shade,
    Font,
    ShowText,
    UncolouredGlyph
};
struct Operator {
    Op op;
    bool stroke;
};

// By the operator's bytes, without a string comparison per operator: a content stream is
// mostly operators.
Operator operator_of(const std::string& word) {
    const char* w = word.data();
    switch (word.size()) {
        case 1:
            switch (w[0]) {
                case 'q':
                    return {Op::Save, false};
                case 'Q':
                    return {Op::Restore, false};
                case 'k':
                case 'K':
                    return {Op::Cmyk, w[0] == 'K'};
                case 'g':
                case 'G':
                    return {Op::Grey, w[0] == 'G'};
                case '\'':
                case '"':
                    return {Op::ShowText, false};
            }
            break;
        case 2:
            if ((w[0] == 'r' && w[1] == 'g') || (w[0] == 'R' && w[1] == 'G'))
                return {Op::Rgb, w[0] == 'R'};
            if ((w[0] == 'c' && w[1] == 's') || (w[0] == 'C' && w[1] == 'S'))
                return {Op::SetSpace, w[0] == 'C'};
            if ((w[0] == 's' && w[1] == 'c') || (w[0] == 'S' && w[1] == 'C'))
                return {Op::SetColour, w[0] == 'S'};
            if (w[0] == 'D' && w[1] == 'o') return {Op::Draw, false};
            if (w[0] == 'B' && w[1] == 'I') return {Op::BeginImage, false};
            if (w[0] == 's' && w[1] == 'h') return {Op::Shade, false};
            if (w[0] == 'T' && w[1] == 'f') return {Op::Font, false};
            if (w[0] == 'T' && (w[1] == 'j' || w[1] == 'J')) return {Op::ShowText, false};
            if (w[0] == 'd' && w[1] == '1') return {Op::UncolouredGlyph, false};
            break;
        case 3:
            if (word == "scn" || word == "SCN") return {Op::SetColour, w[0] == 'S'};
            break;
    }
    return {Op::Other, false};
}

// Walks one content stream: the colour operators counted in the space they paint with,
// images drawn, forms and patterns drawn from it walked in turn.
void Walk::walk_content(const std::string& data, const Frame& frame, ColourState colour,
                        int depth) {
    if (data.empty()) return;
    // The bytes are read where they lie; the buffer does not own them.
    Buffer view(reinterpret_cast<unsigned char*>(const_cast<char*>(data.data())), data.size());
    auto input = std::make_shared<BufferInputSource>("content", &view, false);
    QPDFTokenizer tokenizer;
    tokenizer.allowEOF();
    // What q saves and Q restores: the colour state and the text state's font.
    struct Saved {
        ColourState colour;
        std::string font;
        bool font_walked;
    };
    std::vector<Saved> saved;
    std::size_t unsaved = 0;  // q nesting past kSaveLimit
    // The operand a colour operator names: the last one, when it is a name.
    std::string last_name;
    // The name among the operands of the operator to come (Tf's font is followed by its size).
    std::string operand_name;
    // The font text is shown with, and whether its glyphs were walked since it was chosen.
    std::string font;
    bool font_walked = false;
    bool first_operator = true;
    // Between BI and ID the operands are the image's dictionary, kept as they come.
    bool in_image = false;
    std::vector<Operand> image_operands;
    bool image_overflow = false;
    try {
        for (;;) {
            const qpdf_offset_t before = input->tell();
            QPDFTokenizer::Token token = tokenizer.readToken(input, "content", true);
            const QPDFTokenizer::token_type_e type = token.getType();
            if (type == QPDFTokenizer::tt_eof || input->tell() <= before) break;
            if (type != QPDFTokenizer::tt_word) {
                last_name.clear();
                Operand operand;
                if (type == QPDFTokenizer::tt_name) {
                    if (!in_image) {
                        last_name = token.getValue();
                        operand_name = last_name;
                        continue;
                    }
                    operand.name = token.getValue();
                } else if (type == QPDFTokenizer::tt_array_open ||
                           type == QPDFTokenizer::tt_dict_open) {
                    // An array or dictionary is parsed whole, from its opening token on.
                    input->seek(input->getLastOffset(), SEEK_SET);
                    bool empty = false;
                    operand.object = QPDFObjectHandle::parse(input, "content", tokenizer, empty,
                                                             nullptr, nullptr);
                    if (input->tell() <= before) break;
                } else if (type == QPDFTokenizer::tt_bool) {
                    operand.object = QPDFObjectHandle::newBool(token.getValue() == "true");
                }
                if (!in_image) continue;
                if (image_operands.size() < kOperandLimit)
                    image_operands.push_back(std::move(operand));
                else
                    image_overflow = true;
                continue;
            }
            const std::string& word = token.getValue();
            if (in_image) {
                if (word == "ID") {
                    in_image = false;
                    // The data starts after the one white-space byte that ends ID.
                    char skipped = 0;
                    input->read(&skipped, 1);
                    tokenizer.expectInlineImage(input);
                    tokenizer.readToken(input, "content", true);
                    if (!image_overflow) draw_inline_image(frame, image_operands);
                } else if (image_operands.size() < kOperandLimit) {
                    image_operands.push_back({std::string(), QPDFObjectHandle()});
                }
                continue;
            }
            const Operator op = operator_of(word);
            const bool first = first_operator;
            first_operator = false;
            Space& space = op.stroke ? colour.stroke : colour.fill;
            switch (op.op) {
                case Op::Save:
                    if (saved.size() < kSaveLimit)
                        saved.push_back({colour, font, font_walked});
                    else
                        ++unsaved;
                    break;
                case Op::Restore:
                    if (unsaved > 0) {
                        --unsaved;
                    } else if (!saved.empty()) {
                        colour = saved.back().colour;
                        font = std::move(saved.back().font);
                        font_walked = saved.back().font_walked;
                        saved.pop_back();
                    }
                    break;
                case Op::Rgb:
                    count(counts_.vector, Family::Rgb);
                    space = {Family::Rgb, Family::None};
                    break;
                case Op::Cmyk:
                    count(counts_.vector, Family::Cmyk);
                    space = {Family::Cmyk, Family::None};
                    break;
                case Op::Grey:
                    count(counts_.vector, Family::Grey);
                    space = {Family::Grey, Family::None};
                    break;
                case Op::SetSpace:
                    space = last_name.empty() ? kOtherSpace : resolve_name(frame, last_name);
                    break;
                case Op::SetColour:
                    if (space.family != Family::Pattern) {
                        count(counts_.vector, space.family);
                    } else if (!last_name.empty()) {
                        bool uncoloured = false;
                        draw_pattern(frame, last_name, colour, depth, &uncoloured);
                        if (uncoloured) count(counts_.vector, space.under);
                    }
                    break;
                case Op::Draw:
                    if (!last_name.empty()) draw_xobject(frame, last_name, colour, depth);
                    break;
                case Op::Shade:
                    if (!last_name.empty() && frame.resources.isDictionary()) {
                        QPDFObjectHandle shadings = frame.resources.getKey("/Shading");
                        if (shadings.isDictionary())
                            count(counts_.vector, shading_family(shadings.getKey(last_name)));
                    }
                    break;
                case Op::Font:
                    font = operand_name;
                    font_walked = false;
                    break;
                case Op::ShowText:
                    if (!font_walked) draw_glyphs(frame, font, colour, depth);
                    font_walked = true;
                    break;
                case Op::UncolouredGlyph:
                    if (first) return;
                    break;
                case Op::BeginImage:
                    in_image = true;
                    image_operands.clear();
                    image_overflow = false;
                    break;
                case Op::Other:
                    break;
            }
            last_name.clear();
            operand_name.clear();
        }
    } catch (const std::exception&) {
        // A content stream the library cannot parse further counts what came before.
    }
}

void Walk::finish(PdfInventory* inventory) const {
    std::copy(std::begin(counts_.images), std::end(counts_.images), inventory->images);
    std::copy(std::begin(counts_.vector), std::end(counts_.vector), inventory->vector);
    inventory->spots_cut = spots_cut_ || spots_.size() > kPdfSpotLimit;
    int kept = 0;
    for (const std::string& name : spots_) {
        if (kept == kPdfSpotLimit) break;
        std::size_t length = std::min(name.size(), kPdfSpotSize - 1);
        // A name cut inside a UTF-8 sequence loses the sequence's start too.
        if (length < name.size())
            while (length > 0 && (static_cast<unsigned char>(name[length]) & 0xC0) == 0x80)
                --length;
        // A colorant name may hold a zero byte (#00); the name stops there.
        std::memcpy(inventory->spots[kept], name.data(), length);
        inventory->spots[kept][length] = '\0';
        ++kept;
    }
    inventory->spot_count = static_cast<std::uint8_t>(kept);
}

// The first output intent with a profile: its space and description, read from the
// profile's first bytes.
void read_output_intent(QPDF& pdf, PdfInventory* inventory, PdfIntentReader note_profile) {
    QPDFObjectHandle intents = pdf.getRoot().getKey("/OutputIntents");
    if (!intents.isArray()) return;
    const int count = intents.getArrayNItems();
    for (int i = 0; i < count; ++i) {
        QPDFObjectHandle intent = intents.getArrayItem(i);
        if (!intent.isDictionary()) continue;
        QPDFObjectHandle profile = intent.getKey("/DestOutputProfile");
        if (!profile.isStream()) continue;
        std::string bytes;
        CappedBytes pipe(&bytes, kIntentProfileBytes);
        bool whole = false;
        try {
            whole = profile.pipeStreamData(&pipe, 0, qpdf_dl_generalized, true, false);
        } catch (const std::exception&) {
            whole = false;
        }
        note_profile(reinterpret_cast<const unsigned char*>(bytes.data()),
                     static_cast<std::uint32_t>(bytes.size()), whole || pipe.reached, pipe.reached,
                     inventory);
        return;
    }
}

void read_inventory(const PdfSource& source, const PdfLimits& limits, PdfInventory* inventory,
                    PdfIntentReader note_profile) {
    // A size the open did not learn (a pipe) leaves nothing to read at offsets.
    if (source.size == kSizeUnknown) {
        inventory->problem = PdfProblem::Unreadable;
        return;
    }
    QPDF pdf;
    pdf.setSuppressWarnings(true);
    try {
        pdf.processInputSource(std::make_shared<SourceInput>(source), "");
    } catch (const QPDFExc& error) {
        inventory->problem = error.getErrorCode() == qpdf_e_password ? PdfProblem::Encrypted
                                                                     : PdfProblem::Unreadable;
        return;
    }
    std::vector<QPDFObjectHandle> pages;
    try {
        pages = pdf.getAllPages();
    } catch (const std::exception&) {
        inventory->problem = PdfProblem::Unreadable;
        return;
    }
    inventory->pages = static_cast<std::uint32_t>(std::min<std::size_t>(pages.size(), UINT32_MAX));
    // Warnings so far come from opening the file and its page tree: the library mended it.
    const bool recovered = pdf.anyWarnings();
    Walk walk(limits);
    for (QPDFObjectHandle& page : pages) {
        try {
            walk.walk_page(page);
        } catch (const std::exception&) {
            // A page the library cannot follow further keeps what was counted on it.
        }
    }
    walk.finish(inventory);
    try {
        read_output_intent(pdf, inventory, note_profile);
    } catch (const std::exception&) {
        inventory->intent_space = IccSpace::Broken;
    }
    if (recovered)
        inventory->problem = PdfProblem::Recovered;
    else if (walk.capped)
        inventory->problem = PdfProblem::Capped;
}

}  // namespace

// The module's function, kPdfModuleFunction: the library's exceptions end here.
extern "C" __attribute__((visibility("default"))) void inkhound_read_pdf_inventory(
    const PdfSource* source, const PdfLimits* limits, PdfInventory* inventory,
    PdfIntentReader note_profile) {
    *inventory = {};
    inventory->examined = true;
    try {
        read_inventory(*source, *limits, inventory, note_profile);
    } catch (const std::exception&) {
        if (inventory->problem == PdfProblem::None) inventory->problem = PdfProblem::Unreadable;
    } catch (...) {
        if (inventory->problem == PdfProblem::None) inventory->problem = PdfProblem::Unreadable;
    }
}
