#include "engine/printa.hpp"

namespace quorl {

void PRINTA(io::Units& units, int N, const Array2<Quad>& A, std::int32_t IRANK, const Quad& DETN,
            const Array1<std::int32_t>& IRU, const Array1<std::int32_t>& JCU, int IP) {
    if (IP < 6) {
        return;
    }
    // The heading record stays open after two blanks, so that the column
    // tags (18 wide, like the values) stand over their columns.
    units.write(IP, "('Inverter: @ Rank =',i5,8x,'abs(Det)=',f39.30/2x\\)", IRANK, DETN);
    for (int j = 1; j <= N; ++j) {
        units.write(IP, "(i18,\\)", JCU(j));
    }
    units.write(IP, "('')");
    for (int i = 1; i <= N; ++i) {
        units.write(IP, "(i5,' ' ,\\)", IRU(i));
        for (int j = 1; j <= N; ++j) {
            units.write(IP, "(f18.9\\)", A(i, j));
        }
        units.write(IP, "('')");
    }
    units.write(IP, "('')");
}

}  // namespace quorl
