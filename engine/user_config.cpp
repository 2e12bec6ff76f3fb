#include "engine/user_config.hpp"

#include <sstream>
#include <string_view>
#include <vector>

#include "io/namelist.hpp"
#include "io/pause.hpp"

namespace quorl {

namespace {
constexpr const char* kConfigFile = "Quorl-user.nml";
constexpr std::string_view kErrorText = "Error reading Quorl-user.nml. Press enter to continue.";
}  // namespace

namespace {

// The members of the group QUORLNML, bound to a state's variables.
std::vector<io::NamelistMember> configMembers(State& s) {
    return {
        {"JBON", s.JBON},           {"JUNCLAMP", s.JUNCLAMP}, {"JSTEPMULT", s.JSTEPMULT},
        {"JPU", s.JPU},             {"JPD", s.JPD},           {"JTLMORPH", s.JTLMORPH},
        {"JITERTOT", s.JITERTOT},   {"DELTA", s.DELTA},       {"JMINTOT", s.JMINTOT},
        {"WHAT", s.WHAT},           {"WHY", s.WHY},           {"HOW", s.HOW},
        {"WHO", s.WHO},             {"WHEN", s.WHEN},         {"WHERE1", s.WHERE1},
        {"JUSERPHASE", s.JUSERPHASE}, {"JUSERCONFIG", s.JUSERCONFIG}, {"CJUSERFILE", s.CJUSERFILE},
        {"JPARTIALS", s.JPARTIALS},   {"JTHREADS", s.JTHREADS},
    };
}

}  // namespace

void readUserConfig(State& s) {
    // Anything standing at the name counts as there: a file that cannot be
    // read (a directory, a FIFO, no permission) is reported, not ignored.
    s.driver.LEXISTS = io::Units::present(kConfigFile);
    if (!s.driver.LEXISTS) {
        return;
    }
    write(s, 6, "('Quorl-user.nml variable changes included...')");
    std::vector<io::NamelistMember> members = configMembers(s);
    if (!s.units.tryOpenRead(s.JPU10, kConfigFile)) {
        s.driver.configFaultMember.clear();
        s.driver.configFault = "it is no regular file that can be read";
        io::pause(s.units, kErrorText);
        return;
    }
    const io::NamelistResult r = io::readNamelist(s.units, s.JPU10, "QUORLNML", members);
    s.units.close(s.JPU10);
    // A file without the group means no changes; any fault in the group is
    // reported, the members before it keeping their new values. The pause
    // says only that the file was not read whole; the echo of the controls
    // names the member at fault.
    if (r.found && !r.ok()) {
        s.driver.configFaultMember = r.member;
        s.driver.configFault = r.message;
        // The pause is the system's own text; the line before it says
        // where the fault is, so that it can be mended without the summary.
        write(s, 6, "('Quorl-user.nml: ',a)", r.message);
        io::pause(s.units, kErrorText);
    }
}

UserConfigCheck checkUserConfig(const State& s) {
    std::istringstream in;
    std::ostringstream out;
    State scratch(in, out);
    scratch.CJUSERFILE = s.CJUSERFILE;
    UserConfigCheck check;
    if (io::Units::present(kConfigFile)) {
        if (scratch.units.tryOpenRead(scratch.JPU10, kConfigFile)) {
            check.result = io::readNamelist(scratch.units, scratch.JPU10, "QUORLNML", configMembers(scratch));
            scratch.units.close(scratch.JPU10);
        } else {
            check.result.found = true;
            check.result.status = io::NamelistStatus::Malformed;
            check.result.message = "it is no regular file that can be read";
        }
    }
    check.userFile = scratch.CJUSERFILE;
    return check;
}

Text<60> configuredUserFile(const State& s) { return checkUserConfig(s).userFile; }

void echoControls(State& s) {
    const int u = s.JPU;
    if (!s.driver.configFault.empty() && !s.driver.configFaultMember.empty()) {
        write(s, u, "(/'Quorl-user.nml was not read whole, at member ',a,': ',a)", s.driver.configFaultMember,
              s.driver.configFault);
    } else if (!s.driver.configFault.empty()) {
        write(s, u, "(/'Quorl-user.nml was not read whole: ',a)", s.driver.configFault);
    }
    write(s, u, "(/'Quorl`s initial values, after calling YouQuorl(1):')");
    write(s, u, "( ' jBOn     =',i6,6x,' = [     1: ]' )", s.JBON);
    write(s, u, "( ' jUnClamp =',i6,6x,' = [     1: ]' )", s.JUNCLAMP);
    write(s, u, "( ' jStepMult=',i6,6x,' = [     1,2]' )", s.JSTEPMULT);
    // Partials other than the one-sided differences are shown where they
    // are in use; a run with the differences keeps the echo as it was.
    if (s.JPARTIALS != 0) {
        write(s, u, "( ' jPartials=',i6,6x,' = [   0,1,2]' )", s.JPARTIALS);
    }
    write(s, u, "( ' jPrev    =',i6,6x,' = [-1,0,1  ]' )", s.JPREV);
    write(s, u, "(/' jpU      =',i6,6x,' = [   0,6,11]')", s.JPU);
    write(s, u, "( ' jpD      =',i6,6x,' = [   0-8   ]')", s.JPD);
    write(s, u, "( ' jpU10    =',i6,6x,' = [       10]')", s.JPU10);
    write(s, u, "( ' jpU3D    =',i6,6x,' = [   0  ,13]')", s.JPU3D);
    write(s, u, "(/' jItertot =',i6,6x,' = [   0:    ]')", s.JITERTOT);
    write(s, u, "(/' Weight   =',e12.3,' = [ nom: 1.] ')", s.WEIGHT);
    write(s, u, "( ' Delta    =',e12.3,' = [small>0.] ')", s.DELTA);
    write(s, u, "( ' offon    =',e12.3,' = [  0., 1.] ')", s.OFFON);
    write(s, u, "(/' jMintot  =',i6,6x,' = [   1:    ]')", s.JMINTOT);
    write(s, u, "(/' Kptot    =',i6,6x,' = [   1:    ]')", s.KPTOT);
    write(s, u, "( ' Lztot    =',i6,6x,' = [   1:    ]')", s.LZTOT);
    write(s, u, "( ' Mdtot    =',i6,6x,' = [   1:    ]')", s.MDTOT);
    write(s, u, "( ' Nxtot    =',i6,6x,' = [   1:    ]')", s.NXTOT);
}

}  // namespace quorl
