// The viewer's reader of a point list (Quorl-3dJTL.txt) on any text: it
// stops with a short message or reads points that the drawing-file reader
// takes back the same (fuzz_view_reader.hpp).
#include "fuzz_view_reader.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quorl::fuzz::checkReader(data, size, quorl::ViewFileKind::PointList, quorl::ViewFileKind::DrawingFile);
    return 0;
}
