// MODEL7DOF: the seven-degree-of-freedom placement matrix (see the header).
#include "vis/model_7dof.hpp"

#include <cmath>
#include <string>

#include "io/stop.hpp"

namespace quorl {

namespace {
constexpr double kDegree = 0.017453292519943295;  // pi / 180

// The first three elements divided by the fourth.
void dehomogenise(const FixedArray1<double, 1, 4>& h, const char* what, double& a, double& b, double& c) {
    if (h(4) == 0.0) {
        io::stop(std::string("Model7DoF: the fourth element of ") + what + " is zero");
    }
    a = h(1) / h(4);
    b = h(2) / h(4);
    c = h(3) / h(4);
}
}  // namespace

void MODEL7DOF(const FixedArray1<double, 1, 4>& XYZH, const FixedArray1<double, 1, 4>& RPYH, double SCALE,
               FixedArray2<double, 1, 4, 1, 4>& MODEL7H, int IP, io::Units* units) {
    double X = 0.0, Y = 0.0, Z = 0.0, ROLL = 0.0, PITCH = 0.0, YAW = 0.0;
    dehomogenise(XYZH, "XYZH", X, Y, Z);
    dehomogenise(RPYH, "RPYH", ROLL, PITCH, YAW);

    const double SR = std::sin(ROLL * kDegree), CR = std::cos(ROLL * kDegree);
    const double SP = std::sin(PITCH * kDegree), CP = std::cos(PITCH * kDegree);
    const double SY = std::sin(YAW * kDegree), CY = std::cos(YAW * kDegree);
    const double S = SCALE;

    // Row by row: the scaled rotation yaw * pitch * roll, then the translation.
    const double H16[16] = {
        S * CY * CP, S * (CY * SP * SR - SY * CR), S * (CY * SP * CR + SY * SR), X,
        S * SY * CP, S * (SY * SP * SR + CY * CR), S * (SY * SP * CR - CY * SR), Y,
        -S * SP,     S * CP * SR,                  S * CP * CR,                  Z,
        0.0,         0.0,                          0.0,                          1.0,
    };
    for (int i = 1; i <= 4; ++i) {
        for (int j = 1; j <= 4; ++j) {
            MODEL7H(i, j) = H16[4 * (i - 1) + (j - 1)];
        }
    }

    if (IP > 5 && units != nullptr) {
        units->write(IP, "(/'sub:Model7DoF: ',45('-'))");
        units->write(IP, "(9x,'user units',13x,'degrees',11x,'multiplier')");
        units->write(IP, "(' X    =',f12.6,'   Roll=',f12.6,'   Scale=',f12.6,)", X, ROLL, SCALE);
        units->write(IP, "(' Y    =',f12.6,'  Pitch=',f12.6)", Y, PITCH);
        units->write(IP, "(' Z    =',f12.6,'    Yaw=',f12.6)", Z, YAW);
        units->write(IP, "( 'Model7h:'         )");
        for (int i = 1; i <= 4; ++i) {
            units->write(IP, "(7x,4f12.6)", MODEL7H(i, 1), MODEL7H(i, 2), MODEL7H(i, 3), MODEL7H(i, 4));
        }
    }
}

}  // namespace quorl
