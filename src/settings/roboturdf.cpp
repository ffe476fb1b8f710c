// The entries of a URDF robot file: a planar arm of two joints, read with the URDF
// parser, and the model's values worked out from it.
//
// The chain: base -> joint 1 (revolute or continuous) -> link 1 -> joint 2 -> link 2
// -> a fixed joint whose origin marks the tip; links fixed to a link move with it.
// Joint 2 revolute or continuous: the SCARA, its axis parallel to joint 1's; joint 2
// prismatic: the cylindrical arm, sliding along a line through joint 1's axis.
//   SCARA:       L1 = distance of joint 2's axis from joint 1's, L2 = distance of the
//                tip from joint 2's axis; m1Nom, IJ1 = mass of link 1 (with the links
//                fixed to it) and its inertia about joint 1; mwNom, IJ2 = the same of
//                link 2 about joint 2 (the model holds these masses at the elbow and the
//                tip); TM1 = effort1 / u1, TM2 = effort2 / (2 u2): the efforts are the
//                joints' torque limits, the SCARA's joint 2 getting twice its motor's
//                torque times its ratio.
//   Cylindrical: L = radius of the tip at joint 2's upper limit; mwNom = mass of link 2
//                (with the links fixed to it), held at the tip; link 1 carries no mass;
//                TM1 = effort1 / u1, TM2 = effort2 / u2.
// What a URDF does not say (motor inertias, ratios, servo, the move) is the built-in
// robot's, or given as attributes of a <sotoc> element of the robot, by the names of
// the other robot files: <sotoc u1="50" x0="0.6 m"/>. What the model ignores, the
// moving joints' velocity limits, is noticed (robotentries.h).
#include <console_bridge/console.h>
#include <tinyxml.h>
#include <urdf_parser/urdf_parser.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <memory>

#include "records/parameters.h"
#include "settings/request.h"
#include "settings/robotentries.h"
#include "settings/usertext.h"
#include "study/comparison.h"
#include "study/params.h"

namespace {

using Vector = std::array<double, 3>;

// Axes whose angle's sine, and lines whose distance, is below this are parallel and
// meet: the precision of the numbers a URDF is written with [-, m].
constexpr double ALIGNED = 1e-9;

// Relative precision of the moments of inertia a URDF gives: six digits, as files
// are written, so that a thin rod (one moment 0, the other two equal) is a body.
constexpr double INERTIAPRECISION = 1e-6;

// The element that gives what a URDF cannot say.
const char *const COMPANION = "sotoc";

// A pose: rotation R and position p of a frame in its parent frame.
struct Frame {
    urdf::Rotation R;
    Vector p;
};

Vector vec(const urdf::Vector3 &v) { return {v.x, v.y, v.z}; }
Vector rotated(const urdf::Rotation &R, const Vector &v) { return vec(R * urdf::Vector3(v[0], v[1], v[2])); }
Vector plus(const Vector &a, const Vector &b) { return {a[0] + b[0], a[1] + b[1], a[2] + b[2]}; }
Vector times(double s, const Vector &a) { return {s * a[0], s * a[1], s * a[2]}; }
double dot(const Vector &a, const Vector &b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
double norm(const Vector &a) { return std::hypot(a[0], a[1], a[2]); }
Vector cross(const Vector &a, const Vector &b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
Vector unit(const Vector &a) { return times(1.0 / norm(a), a); }
// The part of a across unit axis u.
Vector across(const Vector &a, const Vector &u) { return plus(a, times(-dot(a, u), u)); }

Frame identity() { return {urdf::Rotation(), {0.0, 0.0, 0.0}}; }
Frame frameof(const urdf::Pose &pose) { return {pose.rotation, vec(pose.position)}; }
// Frame b given in frame a, in a's parent.
Frame then(const Frame &a, const Frame &b) { return {a.R * b.R, plus(a.p, rotated(a.R, b.p))}; }

// The URDF parser's words: the last error it would print, kept instead.
class ParserWords : public console_bridge::OutputHandler {
  public:
    std::string last;
    void log(const std::string &text, console_bridge::LogLevel level, const char *, int) override {
        if (level >= console_bridge::CONSOLE_BRIDGE_LOG_ERROR) last = text;
    }
};

// The lines of the robot's links and joints by name, and its companion element.
struct Lines {
    std::map<std::string, long> link, joint;
    const TiXmlElement *companion = nullptr;
};

// A body: links rigidly joined, its mass and inertia about a joint's axis.
struct Body {
    bool inertial = false;  // some link of it has an inertial element
    double m = 0.0;         // [kg]
    double I = 0.0;         // about the axis [kg m^2]
    Vector s = {0.0, 0.0, 0.0};  // first moment about the frame's origin [kg m]
    urdf::LinkConstSharedPtr payload;  // a link left out with the links below it: the payload
};

// The two joints of the arm, the links they move and the tip's fixed joint.
struct Arm {
    urdf::JointConstSharedPtr joint[2];
    urdf::LinkConstSharedPtr link[2];
    urdf::JointConstSharedPtr tip;
    Frame joint2;     // joint 2's frame in link 1's
    Vector axis[2];   // joint 1's axis in link 1's frame, joint 2's in link 2's
};

std::string quoted(const std::string &name) { return "'" + excerpt(name) + "'"; }

bool moving(const urdf::Joint &j) {
    return j.type == urdf::Joint::REVOLUTE || j.type == urdf::Joint::CONTINUOUS || j.type == urdf::Joint::PRISMATIC;
}

bool turning(const urdf::Joint &j) { return j.type == urdf::Joint::REVOLUTE || j.type == urdf::Joint::CONTINUOUS; }

// The lines of the document's links and joints; the refusal of a second companion.
Outcome linesof(const std::string &path, const TiXmlElement &robot, Lines &lines) {
    for (const TiXmlElement *e = robot.FirstChildElement(); e != nullptr; e = e->NextSiblingElement()) {
        const char *name = e->Attribute("name");
        const std::string tag = e->Value();
        if (tag == "link" && name) lines.link.emplace(name, e->Row());
        if (tag == "joint" && name) lines.joint.emplace(name, e->Row());
        if (tag == COMPANION && lines.companion)
            return refusedat(path, e->Row(), std::string("a second <") + COMPANION + ">; accepts one");
        if (tag == COMPANION) lines.companion = e;
    }
    return succeeded();
}

long lineof(const std::map<std::string, long> &lines, const std::string &name) {
    const auto at = lines.find(name);
    return at == lines.end() ? 1 : at->second;
}

// Whether link `link` lies below joint j.
bool below(const urdf::LinkConstSharedPtr &link, const urdf::Joint &j) {
    for (urdf::LinkConstSharedPtr l = link; l; l = l->getParent())
        if (l->parent_joint && l->parent_joint->name == j.name) return true;
    return false;
}

// The frame of link `link` in that of `top`, a link it is fixed below.
Frame framebelow(const urdf::LinkConstSharedPtr &link, const urdf::LinkConstSharedPtr &top) {
    Frame f = identity();
    for (urdf::LinkConstSharedPtr l = link; l && l != top; l = l->getParent())
        f = then(frameof(l->parent_joint->parent_to_joint_origin_transform), f);
    return f;
}

// The moving joints in the document's order; the refusal of any other kind than
// fixed, or of a count other than two.
Outcome movingjoints(const std::string &path, const urdf::ModelInterface &model, const Lines &lines, Arm &arm) {
    std::vector<std::pair<long, urdf::JointConstSharedPtr>> found;
    for (const auto &[name, j] : model.joints_) {
        const long line = lineof(lines.joint, name);
        if (!moving(*j) && j->type != urdf::Joint::FIXED)
            return refusedat(path, line,
                             "joint " + quoted(name) + " is " +
                                 (j->type == urdf::Joint::FLOATING ? "floating"
                                  : j->type == urdf::Joint::PLANAR ? "planar"
                                                                   : "of no known type") +
                                 "; accepts revolute, continuous, prismatic and fixed joints");
        if (moving(*j)) found.emplace_back(line, j);
    }
    std::sort(found.begin(), found.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    const std::string arm2 = "accepts an arm of two: joint 1 revolute, joint 2 revolute (SCARA) or prismatic (cylindrical)";
    if (found.size() > 2)
        return refusedat(path, found[2].first, "a third moving joint " + quoted(found[2].second->name) + "; " + arm2);
    if (found.size() < 2) return refusedat(path, 1, std::to_string(found.size()) + " moving joints; " + arm2);
    arm.joint[0] = found[0].second;
    arm.joint[1] = found[1].second;
    if (below(model.getLink(arm.joint[0]->parent_link_name), *arm.joint[1])) std::swap(arm.joint[0], arm.joint[1]);
    if (!below(model.getLink(arm.joint[1]->parent_link_name), *arm.joint[0]))
        return refusedat(path, found[1].first,
                         "joints " + quoted(found[0].second->name) + " and " + quoted(found[1].second->name) +
                             " are not one below the other; accepts a chain");
    return succeeded();
}

// The refusal of links that do not hang from one root as a tree: a link that is
// the child of two joints, or links in a loop (a joint from a link to itself among
// them), which every walk up the arm would follow for ever.
Outcome chained(const std::string &path, const urdf::ModelInterface &model, const Lines &lines) {
    const std::string tree = "; not a chain: accepts links that each hang from one joint, below one root";
    std::map<std::string, std::string> parentjoint;  // by link: the joint it is the child of
    for (const auto &[name, j] : model.joints_) {
        const auto [first, fresh] = parentjoint.emplace(j->child_link_name, name);
        if (!fresh)
            return refusedat(path, std::max(lineof(lines.joint, first->second), lineof(lines.joint, name)),
                             "link " + quoted(j->child_link_name) + " is reached twice, by joints " +
                                 quoted(first->second) + " and " + quoted(name) + tree);
    }
    for (const auto &[name, link] : model.links_) {
        size_t up = 0;
        for (urdf::LinkConstSharedPtr l = link->getParent(); l && up <= model.links_.size(); l = l->getParent()) ++up;
        if (up > model.links_.size())
            return refusedat(path, lineof(lines.link, name), "link " + quoted(name) + " lies below itself" + tree);
    }
    return succeeded();
}

// Whether an inertia tensor is one a body has: its principal moments at least 0
// and each at most the sum of the other two. They are when the tensor of second
// moments of the mass, trace / 2 - I, is positive semi-definite: every principal
// minor at least 0, within the files' precision.
bool bodyinertia(const urdf::Inertial &in) {
    const double trace = in.ixx + in.iyy + in.izz, half = trace / 2.0;
    const double S[3][3] = {{half - in.ixx, -in.ixy, -in.ixz}, {-in.ixy, half - in.iyy, -in.iyz}, {-in.ixz, -in.iyz, half - in.izz}};
    // A minor of order k is of the order of trace^k.
    const double t = std::fabs(trace), e = INERTIAPRECISION;
    bool body = true;
    for (int i = 0; i < 3; ++i) {
        const int j = (i + 1) % 3;
        body = body && S[i][i] >= -e * t && S[i][i] * S[j][j] - S[i][j] * S[i][j] >= -e * t * t;
    }
    const double det = S[0][0] * (S[1][1] * S[2][2] - S[1][2] * S[1][2]) - S[0][1] * (S[0][1] * S[2][2] - S[1][2] * S[0][2]) +
                       S[0][2] * (S[0][1] * S[1][2] - S[1][1] * S[0][2]);
    return body && det >= -e * t * t * t;
}

// The refusal of a link whose mass or inertia no body has.
Outcome physical(const std::string &path, const urdf::ModelInterface &model, const Lines &lines) {
    for (const auto &[name, link] : model.links_) {
        const urdf::InertialSharedPtr &in = link->inertial;
        if (!in) continue;
        const long line = lineof(lines.link, name);
        if (!(in->mass >= 0.0))
            return refusedat(path, line, "link " + quoted(name) + " has the mass " + numbertext(in->mass) + " kg; accepts a mass >= 0");
        if (!bodyinertia(*in))
            return refusedat(path, line,
                             "link " + quoted(name) +
                                 " has an inertia no body has; accepts principal moments >= 0, each at most the sum of the other two");
    }
    return succeeded();
}

// The refusal of a moving joint of the arm that mimics another: the model drives
// each joint on its own.
Outcome unmimicked(const std::string &path, const Lines &lines, const Arm &arm) {
    for (const urdf::JointConstSharedPtr &j : arm.joint)
        if (j->mimic)
            return refusedat(path, lineof(lines.joint, j->name),
                             "joint " + quoted(j->name) + " mimics " + quoted(j->mimic->joint_name) +
                                 "; accepts joints driven each on its own, without <mimic>");
    return succeeded();
}

// The refusal of a slide whose upper limit is below 0 or below its lower limit.
Outcome slidelimits(const std::string &path, const Lines &lines, const urdf::Joint &j) {
    if (j.type != urdf::Joint::PRISMATIC || !j.limits) return succeeded();
    const double lower = j.limits->lower, upper = j.limits->upper;
    if (upper >= 0.0 && upper >= lower) return succeeded();
    return refusedat(path, lineof(lines.joint, j.name),
                     "joint " + quoted(j.name) + " has the limits " + numbertext(lower) + " m to " + numbertext(upper) +
                         " m; accepts an upper limit >= 0 and >= the lower one");
}

// The kinds of the joints, their axes, the tip and joint 2's frame into `arm`; the
// refusal of an arm that is not planar.
Outcome planar(const std::string &path, const urdf::ModelInterface &model, const Lines &lines, Arm &arm) {
    const urdf::Joint &j1 = *arm.joint[0], &j2 = *arm.joint[1];
    const long line1 = lineof(lines.joint, j1.name), line2 = lineof(lines.joint, j2.name);
    if (!turning(j1))
        return refusedat(path, line1, "joint 1 " + quoted(j1.name) + " is prismatic; accepts a revolute first joint");
    arm.link[0] = model.getLink(j1.child_link_name);
    arm.link[1] = model.getLink(j2.child_link_name);
    arm.joint2 = then(framebelow(model.getLink(j2.parent_link_name), arm.link[0]),
                      frameof(j2.parent_to_joint_origin_transform));
    arm.axis[0] = unit(vec(j1.axis));
    arm.axis[1] = unit(vec(j2.axis));
    const Vector axis2 = rotated(arm.joint2.R, arm.axis[1]);
    if (turning(j2) && norm(cross(arm.axis[0], axis2)) > ALIGNED)
        return refusedat(path, line2, "the axis of joint 2 " + quoted(j2.name) + " is not parallel to joint 1's; accepts a planar arm");
    if (!turning(j2) && std::fabs(dot(arm.axis[0], axis2)) > ALIGNED)
        return refusedat(path, line2, "joint 2 " + quoted(j2.name) + " does not slide across joint 1's axis; accepts a planar arm");
    std::vector<urdf::JointSharedPtr> tips;
    for (const urdf::JointSharedPtr &j : arm.link[1]->child_joints)
        if (j->type == urdf::Joint::FIXED) tips.push_back(j);
    const long line = lineof(lines.link, arm.link[1]->name);
    if (tips.size() != 1)
        return refusedat(path, line,
                         "link 2 " + quoted(arm.link[1]->name) + " has " + std::to_string(tips.size()) +
                             " fixed joints; accepts one, whose origin marks the tip");
    arm.tip = tips[0];
    return succeeded();
}

// Body of `link` and the links fixed below it, whose frame is `frame` in the frame
// of the axis `axis` through its origin.
void addbody(const urdf::LinkConstSharedPtr &link, const Frame &frame, const Vector &axis, Body &body) {
    if (link == body.payload) return;
    if (const urdf::InertialSharedPtr &in = link->inertial) {
        const Frame c = then(frame, frameof(in->origin));
        const Vector b = rotated(c.R.GetInverse(), axis);
        const double own = in->ixx * b[0] * b[0] + in->iyy * b[1] * b[1] + in->izz * b[2] * b[2] +
                           2.0 * (in->ixy * b[0] * b[1] + in->ixz * b[0] * b[2] + in->iyz * b[1] * b[2]);
        const double d = norm(across(c.p, axis));
        body.inertial = true;
        body.m += in->mass;
        body.I += own + in->mass * d * d;
        body.s = plus(body.s, times(in->mass, c.p));
    }
    // The parser keeps a link's child links beside the joints to them, in one order.
    for (size_t k = 0; k < link->child_joints.size() && k < link->child_links.size(); ++k)
        if (link->child_joints[k]->type == urdf::Joint::FIXED)
            addbody(link->child_links[k], then(frame, frameof(link->child_joints[k]->parent_to_joint_origin_transform)),
                    axis, body);
}

Body bodyof(const urdf::LinkConstSharedPtr &link, const Vector &axis, const urdf::LinkConstSharedPtr &payload = nullptr) {
    Body body;
    body.payload = payload;
    addbody(link, identity(), axis, body);
    return body;
}

// A value worked out from the URDF at `line`, from what `from` says.
FileEntry worked(const char *name, double v, long line, const std::string &from) {
    return FileEntry{name, line, FileEntry::NUMBER, v, "", " (from " + from + ")"};
}

// The companion's attributes as entries: a number, or a text "NUMBER UNIT".
std::vector<FileEntry> companionentries(const TiXmlElement *companion) {
    std::vector<FileEntry> entries;
    if (!companion) return entries;
    for (const TiXmlAttribute *a = companion->FirstAttribute(); a != nullptr; a = a->Next()) {
        FileEntry e{a->Name(), a->Row(), FileEntry::TEXT, 0.0, a->Value(), ""};
        if (readnumber(e.text, e.number)) e.form = FileEntry::NUMBER;
        entries.push_back(e);
    }
    return entries;
}

// The reduction ratio of joint j: the companion's, else the built-in robot's.
Outcome ratioof(const std::string &path, const std::vector<FileEntry> &given, char type, int j, double &u) {
    const char *name = j == 0 ? "u1" : "u2";
    for (const FileEntry &e : given)
        if (e.name == name) return entryvalue(path, e, type, false, u);
    const std::unique_ptr<RecordsCopy> before = std::make_unique<RecordsCopy>();
    keeprecords(*before);
    initialset();
    u = j == 0 ? robotparams(type).u1 : robotparams(type).u2;
    putrecords(*before);
    return succeeded();
}

// The effort limit of joint j of the arm, the refusal of a joint without one.
Outcome effortof(const std::string &path, const Lines &lines, const urdf::Joint &j, double &effort) {
    if (!j.limits)
        return refusedat(path, lineof(lines.joint, j.name),
                         "joint " + quoted(j.name) + " has no <limit effort=...>; accepts its torque limit there");
    effort = j.limits->effort;
    return succeeded();
}

// The motor torque limits from the joints' efforts and the ratios.
Outcome drives(const std::string &path, const Lines &lines, const Arm &arm, char type, const std::vector<FileEntry> &given,
               std::vector<FileEntry> &values) {
    double effort[2], u[2];
    for (int j = 0; j < 2; ++j) {
        Outcome o = effortof(path, lines, *arm.joint[j], effort[j]);
        if (o.ok()) o = ratioof(path, given, type, j, u[j]);
        if (!o.ok()) return o;
    }
    // The SCARA's joint-2 limit is twice its motor's torque times the ratio.
    const double twice = type == ROBOTSCARA ? 2.0 : 1.0;
    values.push_back(worked("TM1", effort[0] / u[0], lineof(lines.joint, arm.joint[0]->name),
                            "the effort of joint " + quoted(arm.joint[0]->name) + " over u1"));
    values.push_back(worked("TM2", effort[1] / (twice * u[1]), lineof(lines.joint, arm.joint[1]->name),
                            "the effort of joint " + quoted(arm.joint[1]->name) + " over u2"));
    return succeeded();
}

// The refusal of a body of link `link` without an inertial element.
Outcome massive(const std::string &path, const Lines &lines, const urdf::LinkConstSharedPtr &link, const Body &body) {
    if (body.inertial) return succeeded();
    return refusedat(path, lineof(lines.link, link->name),
                     "link " + quoted(link->name) + " has no <inertial>; accepts its mass and inertia there");
}

// The SCARA's link lengths.
void scaralengths(const Lines &lines, const Arm &arm, std::vector<FileEntry> &values) {
    values.push_back(worked("L1", norm(across(arm.joint2.p, arm.axis[0])), lineof(lines.joint, arm.joint[1]->name),
                            "the origin of joint " + quoted(arm.joint[1]->name)));
    values.push_back(worked("L2", norm(across(vec(arm.tip->parent_to_joint_origin_transform.position), arm.axis[1])),
                            lineof(lines.joint, arm.tip->name), "the origin of joint " + quoted(arm.tip->name)));
}

// The SCARA's lengths, masses and inertias.
Outcome scaravalues(const std::string &path, const Lines &lines, const Arm &arm, std::vector<FileEntry> &values) {
    const Body b1 = bodyof(arm.link[0], arm.axis[0]), b2 = bodyof(arm.link[1], arm.axis[1]);
    for (int j = 0; j < 2; ++j) {
        const Outcome o = massive(path, lines, arm.link[j], j == 0 ? b1 : b2);
        if (!o.ok()) return o;
    }
    const std::string link1 = "the inertial of link " + quoted(arm.link[0]->name);
    const std::string link2 = "the inertial of link " + quoted(arm.link[1]->name);
    const long l1 = lineof(lines.link, arm.link[0]->name), l2 = lineof(lines.link, arm.link[1]->name);
    scaralengths(lines, arm, values);
    values.push_back(worked("m1Nom", b1.m, l1, link1));
    values.push_back(worked("IJ1", b1.I, l1, link1));
    values.push_back(worked("mwNom", b2.m, l2, link2));
    values.push_back(worked("IJ2", b2.I, l2, link2));
    return succeeded();
}

// The cylindrical arm's slide in link 1's frame, and the tip at joint value 0
// across joint 1's axis: the tip at joint value q is start + q slide.
Vector slideof(const Arm &arm) { return rotated(arm.joint2.R, arm.axis[1]); }
Vector tipstart(const Arm &arm) {
    return across(plus(arm.joint2.p, rotated(arm.joint2.R, vec(arm.tip->parent_to_joint_origin_transform.position))),
                  arm.axis[0]);
}

// The refusal of a slide that does not move the tip along a radius.
Outcome radialslide(const std::string &path, const Lines &lines, const Arm &arm) {
    if (norm(cross(tipstart(arm), slideof(arm))) <= ALIGNED) return succeeded();
    return refusedat(path, lineof(lines.joint, arm.joint[1]->name),
                     "joint 2 " + quoted(arm.joint[1]->name) + " slides the tip past joint 1's axis, not along a radius; accepts a radial slide");
}

// The cylindrical arm's length: the tip's radius at joint 2's upper limit.
void cylinderlength(const Lines &lines, const Arm &arm, std::vector<FileEntry> &values) {
    const double upper = arm.joint[1]->limits ? arm.joint[1]->limits->upper : 0.0;
    values.push_back(worked("L", norm(plus(tipstart(arm), times(upper, slideof(arm)))), lineof(lines.joint, arm.joint[1]->name),
                            "the upper limit of joint " + quoted(arm.joint[1]->name)));
}

// The cylindrical arm's length and workpiece mass.
Outcome cylindervalues(const std::string &path, const Lines &lines, const Arm &arm, std::vector<FileEntry> &values) {
    const Body b1 = bodyof(arm.link[0], arm.axis[0]), b2 = bodyof(arm.link[1], arm.axis[1]);
    if (b1.m != 0.0)
        return refusedat(path, lineof(lines.link, arm.link[0]->name),
                         "link 1 " + quoted(arm.link[0]->name) + " carries " + numbertext(b1.m) +
                             " kg; the cylindrical arm turns the workpiece alone: accepts link 1 without mass");
    Outcome o = massive(path, lines, arm.link[1], b2);
    if (o.ok()) o = radialslide(path, lines, arm);
    if (!o.ok()) return o;
    cylinderlength(lines, arm, values);
    values.push_back(worked("mwNom", b2.m, lineof(lines.link, arm.link[1]->name),
                            "the inertial of link " + quoted(arm.link[1]->name)));
    return succeeded();
}

// The companion's attributes that choose how the URDF is read, not values.
const char *const MODELATTRIBUTE = "model";
const char *const PAYLOADATTRIBUTE = "payload";
bool chosen(const std::string &name) { return name == MODELATTRIBUTE || name == PAYLOADATTRIBUTE; }

// The companion's attribute `name` as an entry; line 0 when it has none.
FileEntry companionattribute(const Lines &lines, const char *name) {
    for (const FileEntry &e : companionentries(lines.companion))
        if (e.name == name) return e;
    return FileEntry{name, 0, FileEntry::OTHER, 0.0, "", ""};
}

// The payload the companion names: a mass (as an entry mwNom) or a link fixed below
// link 2's tip joint, whose mass it is and which link 2's body leaves out; none
// named, the built-in workpiece.
Outcome payloadof(const std::string &path, const urdf::ModelInterface &model, const Lines &lines, const Arm &arm,
                  urdf::LinkConstSharedPtr &link, std::vector<FileEntry> &values) {
    const FileEntry given = companionattribute(lines, PAYLOADATTRIBUTE);
    double number = 0.0;
    if (given.line == 0) return succeeded();
    if (given.form == FileEntry::NUMBER || readnumber(given.text.substr(0, given.text.find(' ')), number)) {
        values.push_back(FileEntry{"mwNom", given.line, given.form, given.number, given.text, " (the payload)"});
        return succeeded();
    }
    link = model.getLink(given.text);
    const std::string accepts = "; accepts a mass (\"0.5 kg\") or a link fixed below joint " + quoted(arm.tip->name);
    if (!link) return refusedat(path, given.line, "payload " + quoted(given.text) + " names no link" + accepts);
    urdf::LinkConstSharedPtr l = link;
    while (l && l != arm.link[1] && l->parent_joint && l->parent_joint->type == urdf::Joint::FIXED) l = l->getParent();
    if (l != arm.link[1] || link == arm.link[1] || !below(link, *arm.tip))
        return refusedat(path, given.line, "payload " + quoted(given.text) + " is not fixed to the tip" + accepts);
    values.push_back(worked("mwNom", bodyof(link, arm.axis[1]).m, lineof(lines.link, link->name),
                            "the inertial of link " + quoted(link->name) + ", the payload"));
    return succeeded();
}

// A link's body in the plane of motion: mass, centre of mass (x, y) and inertia
// about it, in a frame of the link's with origin `origin`, axes x and z (in the
// link's frame, z along the joints' axes).
void planebody(const Body &b, const Vector &origin, const Vector &x, const Vector &z, double &m, double c[2], double &Ic) {
    m = b.m;
    const Vector com = b.m > 0.0 ? times(1.0 / b.m, b.s) : origin;
    const Vector d = plus(com, times(-1.0, origin));
    c[0] = dot(d, x);
    c[1] = dot(d, cross(z, x));
    const double r = norm(across(com, z));
    // Parallel axes; a rounding below zero of a body without inertia of its own is none.
    Ic = std::fmax(b.I - b.m * r * r, 0.0);
}

// The entries of the links' rigid bodies, in the frames of the equations of motion.
void bodyentries(const Lines &lines, const Arm &arm, const Body b[2], const Vector origin[2], const Vector x[2],
                 const Vector z[2], std::vector<FileEntry> &values) {
    static const char *const NAMES[2][4] = {{"ml1", "c1x", "c1y", "Ic1"}, {"ml2", "c2x", "c2y", "Ic2"}};
    for (int j = 0; j < 2; ++j) {
        double m, c[2], Ic;
        planebody(b[j], origin[j], x[j], z[j], m, c, Ic);
        const long line = lineof(lines.link, arm.link[j]->name);
        const std::string from = "the inertial of link " + quoted(arm.link[j]->name);
        values.push_back(worked(NAMES[j][0], m, line, from));
        values.push_back(worked(NAMES[j][1], c[0], line, from));
        values.push_back(worked(NAMES[j][2], c[1], line, from));
        values.push_back(worked(NAMES[j][3], Ic, line, from));
    }
}

// The arm as rigid bodies: lengths, links and payload. Link frames: SCARA, each
// link's own with x towards the next joint or the tip; cylindrical, link 1's with x
// along the slide, link 2's the same axes at the tip.
Outcome rigidvalues(const std::string &path, const urdf::ModelInterface &model, const Lines &lines, const Arm &arm,
                    std::vector<FileEntry> &values) {
    urdf::LinkConstSharedPtr payload;
    Outcome o = payloadof(path, model, lines, arm, payload, values);
    if (o.ok() && !turning(*arm.joint[1])) o = radialslide(path, lines, arm);
    if (!o.ok()) return o;
    const urdf::Rotation back = arm.joint2.R.GetInverse();
    const Vector z[2] = {arm.axis[0], rotated(back, arm.axis[0])};
    const Body b[2] = {bodyof(arm.link[0], z[0]), bodyof(arm.link[1], z[1], payload)};
    const Vector tip = vec(arm.tip->parent_to_joint_origin_transform.position);
    if (turning(*arm.joint[1])) {
        scaralengths(lines, arm, values);
        const Vector origin[2] = {{0.0, 0.0, 0.0}, {0.0, 0.0, 0.0}};
        const Vector x[2] = {unit(across(arm.joint2.p, z[0])), unit(across(tip, z[1]))};
        bodyentries(lines, arm, b, origin, x, z, values);
    } else {
        cylinderlength(lines, arm, values);
        const Vector slide = unit(across(slideof(arm), z[0]));
        const Vector origin[2] = {{0.0, 0.0, 0.0}, tip};
        const Vector x[2] = {slide, rotated(back, slide)};
        bodyentries(lines, arm, b, origin, x, z, values);
    }
    return succeeded();
}

// Notices of what the file gives that the model ignores: the moving joints'
// velocity limits (the model limits only their efforts), and a payload of the point
// masses, whose workpiece is link 2's mass.
std::vector<std::string> ignoredof(const std::string &path, const Lines &lines, const Arm &arm, bool rigid) {
    std::vector<std::string> notices;
    for (const urdf::JointConstSharedPtr &j : arm.joint)
        if (j->limits)
            notices.push_back(noticeat(path, lineof(lines.joint, j->name),
                                       "joint " + quoted(j->name) + ": velocity limit " + numbertext(j->limits->velocity) +
                                           (turning(*j) ? " rad/s" : " m/s") + " ignored; the model limits the joints' efforts only"));
    const FileEntry payload = companionattribute(lines, PAYLOADATTRIBUTE);
    if (!rigid && payload.line != 0)
        notices.push_back(noticeat(path, payload.line,
                                   "payload " + quoted(payload.text) + " ignored; the point masses take link 2's mass as the workpiece"));
    return notices;
}

// The companion's entries, but none the URDF gives itself.
Outcome companionof(const std::string &path, const Lines &lines, const std::vector<FileEntry> &worked,
                    std::vector<FileEntry> &given) {
    given = companionentries(lines.companion);
    given.erase(std::remove_if(given.begin(), given.end(), [](const FileEntry &e) { return chosen(e.name); }), given.end());
    for (const FileEntry &e : given) {
        // The drives' limits come from the joints' efforts, worked out after the ratios.
        const bool own = e.name == "kind" || e.name == "TM1" || e.name == "TM2" ||
                         std::any_of(worked.begin(), worked.end(), [&](const FileEntry &w) { return w.name == e.name; });
        if (own) return refusedat(path, e.line, "'" + excerpt(e.name) + "' refused; the URDF's joints and links give it");
    }
    return succeeded();
}

// The parsed model of the bytes, null with `why` the parser's refusal.
urdf::ModelInterfaceSharedPtr parsed(const std::string &bytes, std::string &why) {
    ParserWords words;
    console_bridge::OutputHandler *before = console_bridge::getOutputHandler();
    console_bridge::useOutputHandler(&words);
    urdf::ModelInterfaceSharedPtr model;
    try {
        model = urdf::parseURDF(bytes);
    } catch (const std::exception &e) {
        words.last = e.what();
    }
    console_bridge::useOutputHandler(before);
    why = words.last;
    if (!model) return model;
    // Each link holds its children by shared pointers: a link that is its own child or
    // descendant (a file that is no chain) would keep itself alive. The model handed
    // out unlinks its links when it goes.
    return urdf::ModelInterfaceSharedPtr(model.get(), [model](urdf::ModelInterface *m) {
        for (auto &named : m->links_) named.second->clear();
    });
}

}  // namespace

Outcome urdfentries(const std::string &path, const std::string &bytes, FileEntries &entries) {
    TiXmlDocument doc;
    doc.Parse(bytes.c_str());
    if (doc.Error()) return refusedat(path, std::max(doc.ErrorRow(), 1), std::string("not XML: ") + doc.ErrorDesc());
    const TiXmlElement *robot = doc.RootElement();
    if (!robot || std::string(robot->Value()) != "robot") return refusedat(path, 1, "no <robot>; accepts a URDF");
    Lines lines;
    Outcome o = linesof(path, *robot, lines);
    if (!o.ok()) return o;
    std::string why;
    const urdf::ModelInterfaceSharedPtr model = parsed(bytes, why);
    if (!model) return refusedat(path, 1, "not a URDF the parser takes: " + excerpt(why));
    Arm arm;
    o = chained(path, *model, lines);
    if (o.ok()) o = physical(path, *model, lines);
    if (o.ok()) o = movingjoints(path, *model, lines, arm);
    if (o.ok()) o = unmimicked(path, lines, arm);
    if (o.ok()) o = slidelimits(path, lines, *arm.joint[1]);
    if (o.ok()) o = planar(path, *model, lines, arm);
    if (!o.ok()) return o;
    const char type = turning(*arm.joint[1]) ? ROBOTSCARA : ROBOTCYL;
    std::vector<FileEntry> values, given;
    // Rigid bodies unless the companion asks for the point masses.
    const FileEntry chosenmodel = companionattribute(lines, MODELATTRIBUTE);
    entries.model = chosenmodel.line != 0 ? chosenmodel : FileEntry{"model", 1, FileEntry::TEXT, 0.0, RIGIDWORD, ""};
    const bool rigid = entries.model.form == FileEntry::TEXT && entries.model.text == RIGIDWORD;
    if (rigid)
        o = rigidvalues(path, *model, lines, arm, values);
    else
        o = type == ROBOTSCARA ? scaravalues(path, lines, arm, values) : cylindervalues(path, lines, arm, values);
    if (o.ok()) o = companionof(path, lines, values, given);
    if (o.ok()) o = drives(path, lines, arm, type, given, values);
    if (!o.ok()) return o;
    entries.kind = FileEntry{"kind", lineof(lines.joint, arm.joint[1]->name), FileEntry::TEXT, 0.0, robotword(type), ""};
    entries.values = values;
    entries.values.insert(entries.values.end(), given.begin(), given.end());
    entries.notices = ignoredof(path, lines, arm, rigid);
    return succeeded();
}
