// The PDF inventory on files built here as text with a computed cross-reference table:
// colour operators and spaces, images drawn directly, inline, from forms, patterns and
// annotations, the hostile shapes (loops, depth, a million draws, a bomb, encryption, a
// broken table), the output intent, and the verdict an inventory gives.
#define POINTERHOLDER_TRANSITION 4
#include <gtest/gtest.h>
#include <qpdf/Pl_Buffer.hh>
#include <qpdf/Pl_Flate.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFWriter.hh>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "classify/check.h"
#include "classify/pdf.h"
#include "classify/reader.h"
#include "platform/identity.h"
#include "tests/support/bytes.h"
#include "tests/support/collect_sink.h"
#include "tests/support/scratch.h"

namespace {

Bytes stream(const Bytes& dict, const Bytes& data) {
    return "<< " + dict + " /Length " + std::to_string(data.size()) + " >>\nstream\n" + data +
           "\nendstream";
}
Bytes form(const Bytes& resources, const Bytes& content) {
    return stream("/Type /XObject /Subtype /Form /BBox [0 0 1 1] " +
                      (resources.empty() ? Bytes() : "/Resources " + resources),
                  content);
}
Bytes image(const Bytes& space) {
    return stream("/Subtype /Image /Width 1 /Height 1 /BitsPerComponent 8 " + space, "abcd");
}
Bytes repeat(const Bytes& text, int times) {
    Bytes out;
    for (int i = 0; i < times; ++i) out += text;
    return out;
}

// One page: its resources and content as objects 3 and 4, `objects` from 5 on.
struct Page {
    Bytes resources = {};
    Bytes content = {};
    std::vector<Bytes> objects = {};
    Bytes page_extra = {};
    Bytes catalog_extra = {};
    Bytes content_dict = {};
};

Bytes pdf(const Page& page) {
    std::vector<Bytes> objects = {"<< /Type /Catalog /Pages 2 0 R " + page.catalog_extra + " >>",
                                  "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                                  "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 9 9] /Resources " +
                                      (page.resources.empty() ? Bytes("<< >>") : page.resources) +
                                      " /Contents 4 0 R " + page.page_extra + " >>",
                                  stream(page.content_dict, page.content)};
    objects.insert(objects.end(), page.objects.begin(), page.objects.end());
    Bytes out = "%PDF-1.7\n", xref;
    for (std::size_t i = 0; i < objects.size(); ++i) {
        char entry[24];
        std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", out.size());
        xref += entry;
        out += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const std::size_t start = out.size();
    const Bytes count = std::to_string(objects.size() + 1);
    return out + "xref\n0 " + count + "\n0000000000 65535 f \n" + xref + "trailer\n<< /Size " +
           count + " /Root 1 0 R >>\nstartxref\n" + std::to_string(start) + "\n%%EOF\n";
}

std::size_t read_memory(void* context, std::uint64_t offset, unsigned char* out,
                        std::size_t count) {
    const Bytes& bytes = *static_cast<const Bytes*>(context);
    if (offset >= bytes.size()) return 0;
    const std::size_t take = std::min<std::size_t>(count, bytes.size() - offset);
    std::memcpy(out, bytes.data() + offset, take);
    return take;
}

PdfInventory inventory_of(const Bytes& bytes, const PdfLimits& limits = kPdfLimits) {
    PdfInventory inventory;
    read_pdf_inventory({read_memory, const_cast<Bytes*>(&bytes), bytes.size()}, limits, &inventory);
    return inventory;
}

Bytes counts(const std::uint64_t (&table)[kPdfSpaceCount]) {
    Bytes out;
    for (int i = 0; i < kPdfSpaceCount; ++i)
        if (table[i] != 0)
            out += (out.empty() ? "" : ";") + Bytes(pdf_space_name(static_cast<PdfSpace>(i))) +
                   "=" + std::to_string(table[i]);
    return out;
}

// The inventory in one line: "i:rgb=1 v:cmyk=2 s:Gold p:capped".
Bytes summary(const PdfInventory& inventory) {
    Bytes spots;
    for (int i = 0; i < inventory.spot_count; ++i)
        spots += (i ? ";" : "") + Bytes(inventory.spots[i]);
    const char* problem = pdf_problem_name(inventory.problem);
    return "i:" + counts(inventory.images) + " v:" + counts(inventory.vector) + " s:" + spots +
           " p:" + (problem ? problem : "");
}

const Bytes kTint = "<< /FunctionType 2 /Domain [0 1] /C0 [0] /C1 [1] /N 1 >>";

struct InventoryCase {
    const char* what;
    Page page;
    const char* expected;
};

TEST(PdfInventory, WhatEachPageDraws) {
    const Bytes chain = repeat("/F2 Do ", 1000);
    const InventoryCase cases[] = {
        {"device operators, q and Q keeping the fill space",
         {"",
          "1 0 0 rg 0 0 1 RG 0 0 0 1 k 1 g .5 G 0 0 0 1 K /DeviceRGB cs q /DeviceCMYK cs Q 1 0 0 "
          "sc"},
         "i: v:rgb=3;cmyk=2;grey=2 s: p:"},
        {"every family through cs and sc; escapes decoded, names sorted",
         {"<< /ColorSpace << /Icc4 [/ICCBased 5 0 R] /IccAlt [/ICCBased 6 0 R] /Gr [/CalGray "
          "<< >>] /L [/Lab << >>] /Ix [/Indexed /DeviceCMYK 0 <00000000>] /N [/DeviceN "
          "[/Spot#231 /Cyan] /DeviceCMYK 7 0 R] /All [/Separation /All /DeviceCMYK 7 0 R] "
          "/Self 8 0 R /Odd [/Weird] >> >>",
          "1 sc /Icc4 cs 0 0 0 0 sc /IccAlt CS 1 0 0 SC /Gr cs 1 scn /L cs 5 0 0 scn /Ix cs 0 sc "
          "/N cs 0 0 scn /All CS 1 SCN /Self cs 0 sc /Missing cs 1 sc /Odd cs 1 sc /DeviceRGB "
          "cs 1 0 0 sc /Ix cs",
          {stream("/N 4", ""), stream("/Alternate /DeviceRGB", ""), kTint,
           "[/Indexed 8 0 R 0 <00>]"}},
         "i: v:rgb=2;cmyk=2;grey=2;lab=1;spot=2;other=3 s:All;Cyan;Spot#1 p:"},
        {"image XObjects; stencil masks and missing names not counted",
         {"<< /XObject << /Rgb 5 0 R /Ix 6 0 R /Mask 7 0 R /G 8 0 R /Sep 9 0 R >> >>",
          "/Rgb Do /Rgb Do /Ix Do /Mask Do /G Do /Sep Do /Nothing Do",
          {image("/ColorSpace /DeviceRGB"), image("/ColorSpace [/Indexed /DeviceCMYK 0 <00>]"),
           image("/ImageMask true"), image("/ColorSpace [/ICCBased 10 0 R]"),
           image("/ColorSpace [/Separation /Gold /DeviceCMYK " + kTint + "]"), stream("/N 1", "")}},
         "i:rgb=2;cmyk=1;grey=1;spot=1 v: s:Gold p:"},
        {"inline images, abbreviated and named spaces, the content going on after them",
         {"<< /ColorSpace << /CS0 /DeviceGray >> >>",
          "BI /W 1 /H 1 /CS /RGB /BPC 8 ID abc EI BI /W 1 /H 1 /IM true ID a EI "
          "BI /W 1 /H 1 /CS [/I /CMYK 0 <00000000>] /BPC 8 ID a EI "
          "BI /W 1 /H 1 /ColorSpace /CS0 /BPC 8 ID \nEI\n EI 1 0 0 rg"},
         "i:rgb=1;cmyk=1;grey=1 v:rgb=1 s: p:"},
        {"forms drawn twice count twice; a form without resources uses the page's",
         {"<< /XObject << /F1 5 0 R /F2 6 0 R /Im 7 0 R >> >>",
          "/F1 Do /F1 Do /F2 Do",
          {form("<< /XObject << /Im 8 0 R >> >>", "/Im Do 0 0 0 1 k"), form("", "/Im Do"),
           image("/ColorSpace /DeviceRGB"), image("/ColorSpace /DeviceCMYK")}},
         "i:rgb=1;cmyk=2 v:cmyk=2 s: p:"},
        {"tiling patterns walked, an uncoloured one counting its underlying space; a shading "
         "pattern counting its shading's",
         {"<< /Pattern << /P1 5 0 R /P2 6 0 R /Sh 7 0 R >> /ColorSpace << /UP [/Pattern "
          "/DeviceRGB] >> >>",
          "/Pattern cs /P1 scn /UP CS 1 0 0 /P2 SCN /Pattern cs /Sh scn",
          {stream("/PatternType 1 /PaintType 1 /TilingType 1 /BBox [0 0 1 1] /XStep 1 /YStep 1 "
                  "/Resources << >>",
                  "0 0 0 1 k"),
           stream("/PatternType 1 /PaintType 2 /TilingType 1 /BBox [0 0 1 1] /XStep 1 /YStep 1 "
                  "/Resources << >>",
                  "0 0 1 1 re f"),
           "<< /PatternType 2 /Shading << /ShadingType 2 /ColorSpace /DeviceRGB >> >>"}},
         "i: v:rgb=2;cmyk=1 s: p:"},
        {"shadings by sh; a Type 3 font's glyphs walked once, its font restored by Q, a d1 glyph "
         "setting no colour",
         {"<< /Shading << /S1 5 0 R /S2 6 0 R >> /Font << /T3 7 0 R >> >>",
          "/S1 sh /S2 sh /Missing sh BT /T3 12 Tf q /F0 9 Tf Q (ab) Tj [(a)] TJ (b) ' ET",
          {"<< /ShadingType 2 /ColorSpace /DeviceCMYK /Coords [0 0 1 1] >>",
           stream("/ShadingType 4 /ColorSpace [/Separation /Gold /DeviceCMYK " + kTint + "]", ""),
           "<< /Type /Font /Subtype /Type3 /CharProcs << /a 8 0 R /b 9 0 R >> /Resources "
           "<< /XObject << /Im 10 0 R >> >> >>",
           stream("", "1 0 d0 1 0 0 rg /Im Do"), stream("", "1 0 0 0 1 1 d1 0 0 0 1 k"),
           image("/ColorSpace /DeviceGray")}},
         "i:grey=1 v:rgb=1;cmyk=1;spot=1 s:Gold p:"},
        {"annotations' normal appearance: the stream, or the state /AS selects",
         {"",
          "",
          {"<< /Subtype /Square /Rect [0 0 1 1] /AP << /N 7 0 R >> >>",
           "<< /Subtype /Widget /Rect [0 0 1 1] /AP << /N << /On 8 0 R /Off 9 0 R >> >> /AS /On >>",
           form("", "1 0 0 rg"), form("", "0 0 0 1 k"), form("", "0 g")},
          "/Annots [5 0 R 6 0 R]"},
         "i: v:rgb=1;cmyk=1 s: p:"},
        {"forms drawing each other in a loop",
         {"<< /XObject << /A 5 0 R >> >>",
          "/A Do",
          {form("<< /XObject << /B 6 0 R >> >>", "/B Do 1 0 0 rg"),
           form("<< /XObject << /A 5 0 R >> >>", "/A Do 0 0 0 1 k")}},
         "i: v:rgb=1;cmyk=1 s: p:capped"},
        {"a form drawn a million times is walked once",
         {"<< /XObject << /F1 5 0 R >> >>",
          repeat("/F1 Do ", 1000),
          {form("<< /XObject << /F2 6 0 R >> >>", chain),
           form("<< /XObject << /Im 7 0 R >> >>", "/Im Do"), image("/ColorSpace /DeviceRGB")}},
         "i:rgb=1000000 v: s: p:"},
    };
    for (const InventoryCase& c : cases) {
        SCOPED_TRACE(c.what);
        const auto start = std::chrono::steady_clock::now();
        const PdfInventory inventory = inventory_of(pdf(c.page));
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
        EXPECT_EQ(summary(inventory), c.expected);
        EXPECT_EQ(inventory.pages, 1u);
    }
}

Bytes deflated(const Bytes& data) {
    Pl_Buffer buffer("deflated");
    Pl_Flate flate("deflate", &buffer, Pl_Flate::a_deflate);
    flate.write(reinterpret_cast<const unsigned char*>(data.data()), data.size());
    flate.finish();
    std::unique_ptr<Buffer> out(buffer.getBuffer());
    return Bytes(reinterpret_cast<const char*>(out->getBuffer()), out->getSize());
}

Bytes encrypted(const Bytes& plain, const char* user_password) {
    QPDF source;
    source.processMemoryFile("plain", plain.data(), plain.size());
    QPDFWriter writer(source);
    writer.setOutputMemory();
    writer.setR6EncryptionParameters(user_password, "owner", true, true, true, true, true, true,
                                     qpdf_r3p_full, true);
    writer.write();
    std::unique_ptr<Buffer> out(writer.getBuffer());
    return Bytes(reinterpret_cast<const char*>(out->getBuffer()), out->getSize());
}

TEST(PdfInventory, BadInputEndsInAnAnswer) {
    const Bytes plain = pdf({"", "0 0 0 1 k"});
    Bytes broken_table = plain;
    broken_table.replace(broken_table.find("xref\n0 "), 4, "xreg");
    Page deep = {"<< /XObject << /F 5 0 R >> >>", "/F Do"};
    for (int i = 0; i < 40; ++i)
        deep.objects.push_back(
            form("<< /XObject << /F " + std::to_string(i + 6) + " 0 R >> >>", "1 0 0 rg /F Do"));
    // A small stream that inflates to 4 MiB, past a cap of 64 KiB.
    const Bytes bomb = deflated("0 0 0 1 k\n" + Bytes(4 << 20, ' ') + "1 0 0 rg");
    const Bytes bombed = pdf({"", bomb, {}, "", "", "/Filter /FlateDecode"});
    const PdfLimits small = {65536, 1 << 20, 32};
    const struct {
        const char* what;
        Bytes bytes;
        PdfLimits limits;
        const char* expected;
    } cases[] = {
        {"nested deeper than the limit", pdf(deep), kPdfLimits, "i: v:rgb=32 s: p:capped"},
        {"a decompression bomb", bombed, small, "i: v:cmyk=1 s: p:capped"},
        {"the empty user password opens it", encrypted(plain, ""), kPdfLimits, "i: v:cmyk=1 s: p:"},
        {"only a password opens it", encrypted(plain, "secret"), kPdfLimits,
         "i: v: s: p:encrypted"},
        {"a table at the wrong place, rebuilt", broken_table, kPdfLimits,
         "i: v:cmyk=1 s: p:recovered"},
        {"cut before its table and trailer", plain.substr(0, plain.find("xref")), kPdfLimits,
         "i: v: s: p:unreadable"},
        {"a header and nothing else", "%PDF-1.7\n%%EOF\n", kPdfLimits, "i: v: s: p:unreadable"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(summary(inventory_of(c.bytes, c.limits)), c.expected);
    }
}

TEST(PdfInventory, OutputIntentFromTheFirstProfile) {
    const Bytes text = "Coated";
    const Bytes tag = Bytes("desc\0\0\0\0", 8) + be32(text.size() + 1) + text + fill(91, 0);
    const Bytes header = be32(128 + 16 + tag.size()) + fill(12, 0) + "CMYK" + fill(16, 0) + "acsp";
    const Bytes profile = header + fill(128 - header.size(), 0) + be32(1) + "desc" + be32(144) +
                          be32(tag.size()) + tag;
    const PdfInventory inventory = inventory_of(
        pdf({"",
             "",
             {stream("/N 4", profile)},
             "",
             "/OutputIntents [<< /S /GTS_PDFX >> << /S /GTS_PDFX /DestOutputProfile 5 0 R >>]"}));
    EXPECT_EQ(inventory.intent_space, IccSpace::Cmyk);
    EXPECT_STREQ(inventory.intent_description, "Coated");
    EXPECT_EQ(inventory_of(pdf({"", ""})).intent_space, IccSpace::None);
}

// The check reads the open file at offsets through its reader: across blocks, after the
// signature's own window, and with a read failure being the reader's one entry.
TEST(PdfCheck, TheOpenFileReadThroughTheReader) {
    reset_core_state();
    CollectingSink sink;
    ScratchDir scratch;
    Options options = {};
    set_default_options(&options);
    options.tool_flags = kCheckPdf | kReadDetails;
    // An image of 200 KiB before the content: the reader's stored bytes do not hold both.
    const Bytes big = pdf({"<< /XObject << /Im 5 0 R >> >>",
                           "/Im Do 0 0 0 1 k",
                           {stream("/Subtype /Image /Width 1 /Height 1 /BitsPerComponent 8 "
                                   "/ColorSpace /DeviceRGB",
                                   fill(200 << 10, 'x'))}});
    const struct {
        const char* name;
        Bytes bytes;
        std::uint32_t failing_read;  // in its trailer, which must be read; 0: none
        Verdict verdict;
    } cases[] = {
        {"big.pdf", big, 0, Verdict::PossiblyBoth},
        {"late.dat", fill(1019, ' ') + big, 0, Verdict::PossiblyBoth},
        {"later.dat", fill(1020, ' ') + big, 0, Verdict::NothingToReport},
        {"late.pdf", fill(1020, ' ') + big, 0, Verdict::Mislabelled},
        {"failing.pdf", big, static_cast<std::uint32_t>(big.size() - 100), Verdict::IoError},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sink.clear();
        options.file_scan_flags =
            Bytes(c.name).find(".pdf") != Bytes::npos ? kExamineExtensions : 0;
        if (c.failing_read != 0) fail_reads_at(c.failing_read, 5);
        EXPECT_EQ(check_file(scratch.write(c.name, c.bytes).c_str(), options), c.verdict);
        clear_platform_faults();
        const bool read = c.verdict == Verdict::PossiblyBoth;
        EXPECT_EQ(file_reader.details.pdf.examined, read);
        if (read) {
            EXPECT_EQ(summary(file_reader.details.pdf), "i:rgb=1 v:cmyk=1 s: p:");
        }
        EXPECT_EQ(sink.messages(), c.failing_read ? std::vector<std::string>{"read error: 5"}
                                                  : std::vector<std::string>{});
    }
}

TEST(PdfInventory, VerdictFromImagesAndVectorTogether) {
    const struct {
        int image_space, vector_space;
        PdfProblem problem;
        Verdict verdict;
    } cases[] = {
        {0, -1, PdfProblem::None, Verdict::Rgb},
        {-1, 1, PdfProblem::Capped, Verdict::Cmyk},
        {0, 1, PdfProblem::Recovered, Verdict::PossiblyBoth},
        {3, 2, PdfProblem::None, Verdict::OtherColourSpace},
        {4, 2, PdfProblem::None, Verdict::NothingToReport},
        {-1, -1, PdfProblem::None, Verdict::NothingToReport},
        {0, -1, PdfProblem::Encrypted, Verdict::Undetermined},
        {-1, -1, PdfProblem::Unreadable, Verdict::Undetermined},
        {-1, -1, PdfProblem::NotExamined, Verdict::Undetermined},
    };
    for (const auto& c : cases) {
        PdfInventory inventory = {};
        if (c.image_space >= 0) inventory.images[c.image_space] = 1;
        if (c.vector_space >= 0) inventory.vector[c.vector_space] = 2;
        inventory.problem = c.problem;
        EXPECT_EQ(pdf_verdict(inventory), c.verdict) << c.image_space << " " << c.vector_space;
    }
}

}  // namespace
