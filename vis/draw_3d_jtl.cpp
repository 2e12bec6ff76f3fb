// DRAW3DJTL: the 3D drawing writer.
//
// A drawing is opened by its first point and closed by an end record
// (IC = -1). While it is open, every point is appended to the point list,
// whose first line holds a zero count. On closing, the count is written
// over the first nine bytes of the list in place (the point lines are never
// rewritten), the list is read back and converted into the drawing file:
// the count, the coordinates, the count again, then point numbers with
// their colour codes. Beside them goes the viewer page of the drawing
// (skipped with a note when it cannot be written). INIT = 0 afterwards, so
// the next point opens a new drawing that replaces both files.
//
// The three files are written whole (io::OutputFile): the point list and
// the drawing file go to temporary files of their own, and only when all
// three are complete are they renamed over the old ones. A run that stops
// or is killed before leaves the previous picture as it was. Each file
// ends with the run's identity (a last line "Run: ..." after the records,
// which a reader that follows the counts never reaches; a tag of the page),
// so files from two runs are told apart. Before it, when the run says what
// the axes stand for (State::viewAxes), both files have the line
// "Axes: ..." (vis/view_axes_line.hpp) for quorl-view, and when it gives
// the legend of its colour codes, a line "Legend: ..."; the page has them
// inline.
//
// INIT remembers the JPU3D the drawing was opened with: a JPU3D changed
// while a drawing is open would send its points to another unit, so that
// halts the run. JPU3D = 6 opens a drawing that is only counted (the first
// call opens it and is not counted); no end record closes it.
//
// Every failure shows its message on the console, pauses and stops the
// run with a non-zero status.
#include "vis/draw_3d_jtl.hpp"

#include <algorithm>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "io/format.hpp"
#include "io/format_read.hpp"
#include "io/internal_write.hpp"
#include "io/pause.hpp"
#include "io/stop.hpp"
#include "io/units.hpp"
#include "model/run_identity.hpp"
#include "vis/read_point_record.hpp"
#include "vis/view_axes_line.hpp"
#include "vis/view_drawing.hpp"
#include "vis/write_point_record.hpp"
#include "vis/write_view_page.hpp"

namespace quorl {

namespace {

constexpr std::string_view kHaltText = "^^ Error message from Draw3dJTL. Press enter to halt.";
constexpr const char* kCountFormat = "(i9)";
constexpr int kCountWidth = 9;  // the header line's characters, overwritten in place
// The last line of both files: the run they come from.
constexpr const char* kRunFormat = "('Run: ',a)";

// The lines after the records: the axes and the legend, when known, and
// the run.
void writeTrailer(State& s, int unit) {
    if (const std::string axes = viewAxesLine(s.viewAxes); !axes.empty()) {
        write(s, unit, "(a)", axes);
    }
    if (const std::string legend = viewLegendLine(s.viewAxes.legend); !legend.empty()) {
        write(s, unit, "(a)", legend);
    }
    write(s, unit, kRunFormat, runIdentity(s));
}
// The three e18.9 coordinates of a point list record: where they start, how
// many characters they take.
constexpr std::size_t kCoordinateColumn = 8;
constexpr std::size_t kCoordinateWidth = 54;

// The failure's message, list-directed on a line of its own, the pause,
// and a stop with blank text.
template <class... Items>
[[noreturn]] void halt(State& s, const Items&... items) {
    s.units.endLine(io::kConsoleOut);
    s.units.put(io::kConsoleOut, io::formatFreeOf(items...));
    io::pause(s.units, kHaltText);
    io::stop("");
}

// The point as it is drawn: colour codes above 15 become 13, below -1 the
// end code -1; the line width lies in 1..20.
TLREC clamped(const TLREC& in) {
    TLREC tl = in;
    if (tl.IC > 15) {
        tl.IC = 13;
    }
    if (tl.IC < -1) {
        tl.IC = -1;
    }
    if (tl.TH < 1.0f) {
        tl.TH = 1.0f;
    }
    if (tl.TH > 20.0f) {
        tl.TH = 20.0f;
    }
    return tl;
}

// A progress note on unit IP; never on the drawing's own unit, where it
// would become a line of the point list.
void note(State& s, int IP, std::string_view what, std::string_view file) {
    if (IP > 5 && IP != s.draw3dJtl.INIT) {
        s.units.put(IP, io::formatFreeOf(what, file));
    }
}

void openPointList(State& s, int IP) {
    auto& w = s.draw3dJtl;
    const int unit = s.JPU3D;
    // Connecting the unit would silently close whatever file holds it (the
    // run summary, say) and send that file's later lines elsewhere.
    if (s.units.isConnected(unit)) {
        halt(s, "Error opening: ", JTLFILENAME,
             " (unit " + std::to_string(unit) + " is in use for " + s.units.fileName(unit) + ")");
    }
    w.INIT = unit;
    w.NPTOT = 0;
    try {
        s.units.openWrite(unit, JTLFILENAME, io::OpenMode::Whole);
        write(s, unit, kCountFormat, w.NPTOT);
    } catch (const io::Stop& why) {
        halt(s, "Error opening: ", JTLFILENAME, why.message());
    }
    note(s, IP, "Draw3dJTL- opened:", JTLFILENAME);
}

void addPoint(State& s) {
    auto& w = s.draw3dJtl;
    const TLREC& tl = w.TL;
    ++w.NPTOT;
    s.TLPREV = tl;
    if (w.INIT == 6) {
        return;  // counting only
    }
    try {
        // The record spelled directly where its values allow it (the same
        // text as the general formatter's).
        thread_local std::string record;
        if (formatPointRecord(tl, record)) {
            s.units.put(w.INIT, record);
        } else {
            write(s, w.INIT, FORMATTL, tl.IC, tl.TH, tl.XYZ(1), tl.XYZ(2), tl.XYZ(3));
        }
    } catch (const io::Stop& why) {
        halt(s, "Error writing TL. TL=", tl.IC, tl.TH, tl.XYZ(1), tl.XYZ(2), tl.XYZ(3), why.message());
    }
}

// Puts the final count into the header line: the nine bytes at the start
// of the list, written in place into the file still open, so that the
// point lines stay exactly as they were written.
void overwriteCount(State& s) {
    auto& w = s.draw3dJtl;
    io::writeInternal(w.CNUMBER, kCountFormat, w.NPTOT);
    try {
        s.units.overwrite(w.INIT, 0, w.CNUMBER.view().substr(0, kCountWidth));
    } catch (const io::Stop& why) {
        halt(s, "Error overwriting nPtot.  cNumber=", w.CNUMBER, why.message());
    }
}

// Reads the completed list back into TLR(1:NPTOT) and returns the drawing
// file's coordinate records, (3e18.9), one per point. A record's
// coordinate text in the list is copied where it is exactly what (3e18.9)
// writes for the values read from it (the list's own records always are):
// only the others are formatted again.
std::string readPointList(State& s) {
    auto& w = s.draw3dJtl;
    try {
        w.TLR.allocate(1, w.NPTOT);
        w.IALLOC = 0;
    } catch (const std::bad_alloc&) {
        w.IALLOC = 1;
    } catch (const std::length_error&) {
        w.IALLOC = 2;
    }
    if (w.IALLOC != 0) {
        halt(s, "Error allocating TLr. nPtot & iAlloc= ", w.NPTOT, w.IALLOC);
    }

    const int unit = w.INIT;
    // The complete list, not yet renamed over the old one.
    try {
        s.units.openRead(unit, s.units.pendingPath(JTLFILENAME));
    } catch (const io::Stop&) {
        halt(s, "Error reopening: ", JTLFILENAME, " for read.");
    }
    // A header that cannot be read counts as a read error of line 0.
    w.NP = 0;
    if (!io::readFormatted(s.units, unit, kCountFormat, w.NPTOT2).ok()) {
        halt(s, "Formatted read error. nP=:", w.NP);
    }
    if (w.NPTOT2 != w.NPTOT) {
        halt(s, "nPtot2 /= nPtot:", w.NPTOT2, w.NPTOT, "oops.");
    }
    std::string coordinates;
    coordinates.reserve(static_cast<std::size_t>(w.NPTOT) * (kCoordinateWidth + 1));
    std::string formatted;
    // Each record as FORMATTL reads it (readPointRecord reads the layout
    // the list was written in column by column).
    for (w.NP = 1; w.NP <= w.NPTOT; ++w.NP) {
        TLREC& tl = w.TLR(w.NP);
        const std::optional<std::string> record = s.units.readLine(unit);
        if (!record || !readPointRecord(*record, tl)) {
            halt(s, "Formatted read error. nP=:", w.NP);
        }
        const std::string_view text =
            std::string_view(*record).substr(std::min(record->size(), kCoordinateColumn), kCoordinateWidth);
        if (isOwnCoordinateText(text)) {
            coordinates += text;
            coordinates += '\n';
        } else if (formatCoordinateRecord(tl.XYZ, formatted)) {
            coordinates += formatted;
        } else {
            coordinates += io::format("(3e18.9)", tl.XYZ(1), tl.XYZ(2), tl.XYZ(3));
        }
    }
    s.units.close(unit);
    return coordinates;
}

// The drawing file, in one go: the count, the coordinate records, the
// count again, the point numbers with their colour codes (from TLR, in
// blocks).
void writeDrawingFile(State& s, const std::string& coordinates) {
    auto& w = s.draw3dJtl;
    const int unit = w.INIT;
    try {
        s.units.openWrite(unit, EXPORT3DVFILENAME, io::OpenMode::Whole);
    } catch (const io::Stop& why) {
        halt(s, "Error opening: ", EXPORT3DVFILENAME, why.message());
    }
    w.TLR.checkRange(1, w.NPTOT2);
    constexpr std::size_t kBlock = 1 << 16;
    std::string block;
    std::string record;
    try {
        write(s, unit, kCountFormat, w.NPTOT2);
        s.units.put(unit, coordinates);
        write(s, unit, kCountFormat, w.NPTOT2);
        for (w.I = 1; w.I <= w.NPTOT2; ++w.I) {
            const int code = w.TLR.atUnchecked(w.I).IC;
            if (formatNumberRecord(w.I, code, record)) {
                block += record;
            } else {
                block += io::format("(i9,1x,i2)", w.I, code);
            }
            if (block.size() >= kBlock || w.I == w.NPTOT2) {
                s.units.put(unit, block);
                block.clear();
            }
        }
        writeTrailer(s, unit);
        s.units.close(unit);
    } catch (const io::Stop& why) {
        halt(s, "Error writing: ", EXPORT3DVFILENAME, why.message());
    }
}

// Renames the complete files over the old ones: the point list, the
// drawing file, then the page (whose failure only skips it).
void commitDrawing(State& s, bool withPage) {
    try {
        s.units.commitTogether({JTLFILENAME, EXPORT3DVFILENAME});
    } catch (const io::Stop& why) {
        halt(s, "Error replacing: ", why.message());
    }
    if (withPage) {
        commitViewPage(s);
    }
}

void closeDrawing(State& s, int IP) {
    auto& w = s.draw3dJtl;
    try {
        writeTrailer(s, w.INIT);
    } catch (const io::Stop& why) {
        halt(s, "Error writing TL. TL=", w.TL.IC, w.TL.TH, w.TL.XYZ(1), w.TL.XYZ(2), w.TL.XYZ(3), why.message());
    }
    overwriteCount(s);
    try {
        s.units.close(w.INIT);
    } catch (const io::Stop& why) {
        halt(s, "Error closing: ", JTLFILENAME, why.message());
    }
    writeDrawingFile(s, readPointList(s));
    // The viewer page beside the drawing files; a page that cannot be
    // written is skipped with a note and does not stop the run.
    const bool withPage = writeViewPage(s, w.TLR.span(1, w.NPTOT2));
    commitDrawing(s, withPage);
    note(s, IP, "Draw3dJTL- closed:", EXPORT3DVFILENAME);
    w.TLR.clear();
    w.INIT = 0;
}

}  // namespace

void DRAW3DJTL(State& s, const TLREC& TLIN, int IP) {
    auto& w = s.draw3dJtl;
    if (s.JPU3D < 6) {
        return;  // 3D output is off
    }
    w.TL = clamped(TLIN);
    if (w.INIT == 0) {
        if (s.JPU3D == 6) {
            w.INIT = 6;
            w.NPTOT = 0;
            return;
        }
        if (s.JPU3D < 10 || s.JPU3D > 20) {
            return;
        }
        openPointList(s, IP);
    }
    if (w.INIT != s.JPU3D) {
        halt(s, "jpU3d's value changed: ", s.JPU3D, "/=", w.INIT);
    }
    if (w.TL.IC >= 0) {
        addPoint(s);
    } else if (w.INIT != 6) {
        closeDrawing(s, IP);
    }
}

}  // namespace quorl
