#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "engine/user_config.hpp"
#include "quad/decimal.hpp"
#include "support/temp_dir.hpp"

namespace {

using quorl::State;
using quorl::testing::TempDir;

const std::string kAnnounce = "Quorl-user.nml variable changes included...\n";
const std::string kError = "Error reading Quorl-user.nml. Press enter to continue.\n";

// A State as the sample's mode 0 leaves it, then the configuration read.
struct Configured {
    std::istringstream in{"\n"};
    std::ostringstream out;
    State s{in, out};
    explicit Configured(const char* file) {
        s.JPD = 6;
        s.JITERTOT = 40;
        s.KPTOT = 2;
        s.LZTOT = 1;
        s.MDTOT = 10;
        s.NXTOT = 1;
        if (file != nullptr) {
            TempDir::writeFile("Quorl-user.nml", file);
        }
        quorl::readUserConfig(s);
    }
};

TEST(UserConfig, WithoutAFileNothingChangesAndNothingIsWritten) {
    TempDir dir;
    Configured c(nullptr);
    EXPECT_EQ(c.out.str(), "");
    EXPECT_EQ(c.s.JPD, 6);
    EXPECT_FALSE(c.s.driver.LEXISTS);
}

TEST(UserConfig, MembersInTheFileOverrideTheModelsDefaults) {
    TempDir dir;
    Configured c(
        "! lower the detail, lengthen the run\n"
        "&quorlnml jpd=3, JITERTOT=50,\n"
        "   Delta=1.0D-8  What='Two ''quoted'' words'\n"
        "   JUSERCONFIG = 2 /\n");
    EXPECT_EQ(c.out.str(), kAnnounce);
    EXPECT_EQ(c.s.JPD, 3);
    EXPECT_EQ(c.s.JITERTOT, 50);
    EXPECT_EQ(c.s.JUSERCONFIG, 2);
    EXPECT_TRUE(c.s.DELTA == quorl::quadFromText("1e-8"));
    EXPECT_EQ(c.s.WHAT.trimmed(), "Two 'quoted' words");
    EXPECT_EQ(c.s.JBON, 3);  // absent members keep their values
}

// The console shows the pause as it always has, after a line that names
// the member at fault and its line; so does the echo of the controls in the
// run summary.
TEST(UserConfig, AFaultyItemPausesAndKeepsTheMembersBeforeIt) {
    TempDir dir;
    Configured c("&QUORLNML JPD=3, JSTEPMAGIC=1, JITERTOT=50 /\n");
    EXPECT_EQ(c.out.str(),
              kAnnounce + "Quorl-user.nml: line 1 of group &QUORLNML: unknown name 'JSTEPMAGIC'\n" + kError);
    EXPECT_EQ(c.s.JPD, 3);
    EXPECT_EQ(c.s.JITERTOT, 40);
    c.out.str("");
    c.s.JPU = 6;
    quorl::echoControls(c.s);
    const std::string named =
        "\nQuorl-user.nml was not read whole, at member JSTEPMAGIC: "
        "line 1 of group &QUORLNML: unknown name 'JSTEPMAGIC'\n\nQuorl`s initial values";
    EXPECT_EQ(c.out.str().substr(0, named.size()), named);

    Configured wrongType("&QUORLNML JBON=2, JPD='six', JITERTOT=50 /\n");
    EXPECT_NE(wrongType.out.str().find("Quorl-user.nml: line 1 of group &QUORLNML:"), std::string::npos);
    EXPECT_EQ(wrongType.out.str().substr(wrongType.out.str().size() - kError.size()), kError);
    EXPECT_EQ(wrongType.s.JBON, 2);
    EXPECT_EQ(wrongType.s.JPD, 6);
    EXPECT_EQ(wrongType.s.JITERTOT, 40);
}

TEST(UserConfig, AnEmptyGroupOrNoGroupChangesNothing) {
    TempDir dir;
    Configured empty("&QUORLNML /\n");
    EXPECT_EQ(empty.out.str(), kAnnounce);
    EXPECT_EQ(empty.s.JPD, 6);

    Configured none("&OTHERGROUP JPD=1 /\n");
    EXPECT_EQ(none.out.str(), kAnnounce);
    EXPECT_EQ(none.s.JPD, 6);
}

TEST(UserConfig, EchoShowsTheControlsInEffect) {
    TempDir dir;
    Configured c("&QUORLNML JPD=7 DELTA=2.5E-7 JMINTOT=12 /\n");
    c.out.str("");
    c.s.JPU = 6;
    quorl::echoControls(c.s);
    c.s.units.flushAll();
    EXPECT_EQ(c.out.str(),
              "\n"
              "Quorl`s initial values, after calling YouQuorl(1):\n"
              " jBOn     =     3       = [     1: ]\n"
              " jUnClamp =     3       = [     1: ]\n"
              " jStepMult=     2       = [     1,2]\n"
              " jPrev    =    -1       = [-1,0,1  ]\n"
              "\n"
              " jpU      =     6       = [   0,6,11]\n"
              " jpD      =     7       = [   0-8   ]\n"
              " jpU10    =    10       = [       10]\n"
              " jpU3D    =    13       = [   0  ,13]\n"
              "\n"
              " jItertot =    40       = [   0:    ]\n"
              "\n"
              " Weight   =   0.100E+01 = [ nom: 1.] \n"
              " Delta    =   0.250E-06 = [small>0.] \n"
              " offon    =   0.100E+01 = [  0., 1.] \n"
              "\n"
              " jMintot  =    12       = [   1:    ]\n"
              "\n"
              " Kptot    =     2       = [   1:    ]\n"
              " Lztot    =     1       = [   1:    ]\n"
              " Mdtot    =    10       = [   1:    ]\n"
              " Nxtot    =     1       = [   1:    ]\n");
}

TEST(UserConfig, TheUserFileCanBeKnownBeforeTheConfigurationIsRead) {
    TempDir dir;
    State s;
    s.CJUSERFILE = "default.dat";
    EXPECT_EQ(quorl::configuredUserFile(s).trimmed(), "default.dat");
    TempDir::writeFile("Quorl-user.nml", "&QUORLNML JPD=2, CJUSERFILE='run7.dat' /\n");
    EXPECT_EQ(quorl::configuredUserFile(s).trimmed(), "run7.dat");
    EXPECT_EQ(s.JPD, 4);  // nothing else is touched
    TempDir::writeFile("Quorl-user.nml", "&QUORLNML JPD=2 /\n");
    EXPECT_EQ(quorl::configuredUserFile(s).trimmed(), "default.dat");
}

}  // namespace
