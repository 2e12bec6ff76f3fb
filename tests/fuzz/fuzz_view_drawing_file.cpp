// The viewer's reader of a drawing file (Quorl-3dDraw.3dv) on any text: it
// stops with a short message or reads points that the point-list reader
// takes back the same (fuzz_view_reader.hpp).
#include "fuzz_view_reader.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quorl::fuzz::checkReader(data, size, quorl::ViewFileKind::DrawingFile, quorl::ViewFileKind::PointList);
    return 0;
}
