#include "vis/write_view_page.hpp"

#include <exception>
#include <string>

#include "io/format.hpp"
#include "io/replace_file.hpp"
#include "io/stop.hpp"
#include "model/run_identity.hpp"
#include "vis/view_page.hpp"

namespace quorl {

namespace {

void skipped(State& s, std::string why) {
    if (why.starts_with("Quorl: ")) {
        why.erase(0, 7);
    }
    s.units.endLine(io::kConsoleOut);
    write(s, io::kConsoleOut, "('Draw3dJTL- view page skipped (the drawing files are complete): ',a)", why);
}

}  // namespace

bool writeViewPage(State& s, std::span<const TLREC> points) {
    try {
        io::writeReplacement(s.units, VIEWPAGEFILENAME, viewPage(viewGeometry(points), runIdentity(s), s.viewAxes), 1);
        return true;
    } catch (const io::Stop& stop) {
        skipped(s, stop.message());
    } catch (const std::exception& e) {  // no memory for the page's text
        skipped(s, std::string("cannot build ") + VIEWPAGEFILENAME + ": " + e.what());
    }
    return false;
}

void commitViewPage(State& s) {
    try {
        io::commitReplacement(s.units, VIEWPAGEFILENAME, 1);
    } catch (const io::Stop& stop) {
        skipped(s, stop.message());
    }
}

}  // namespace quorl
