#include "console/dialog.h"

#include <cstdarg>
#include <cstdio>
#include <string>

#include "console/console.h"
#include "console/report.h"
#include "records/keys.h"
#include "records/records.h"
#include "design/kinematics.h"
#include "study/comparison.h"
#include "study/params.h"

namespace {


// The accepted range of a number question, for the refusal message. Valid until the next call.
template <class... Bound>
const char *rangehint(const char *format, Bound... bounds) {
    static char text[64];
    std::snprintf(text, sizeof text, format, bounds...);
    return text;
}

enum Step { ASKCHANGE, ASKRATIO, ASKGRAVITY, ASKPOINTS, ASKERROR, RUNCOMPARISON, FINISHED };

// The window's keys as the guide lists them: a key that runs the dialog with " : "
// after its names, a key of the drawing with "：".
void printguide() {
    consoleprint("\n\n描画画面上でキーによる操作選択");
    for (int i = 0; i < WINDOWKEYCOUNT; ++i) {
        const WindowKey &k = WINDOWKEYS[i];
        if (k.guidelabel == nullptr) continue;
        if (k.guideheading != nullptr) consoleprint("\n%s", k.guideheading);
        consoleprint("\n%-6s%-7s%s%s", k.guidelabel, windowkeynames(i, true).c_str(),
                     startsdialog(k.action) ? " : " : "：", k.guide);
    }
}

// The first question of a dialog that the window key `lastKey` started.
Step entry(char lastKey) {
    switch (windowkeyaction(lastKey)) {
        case KEYRATIOS: return ASKRATIO;
        case KEYPOINTS: return ASKPOINTS;
        case KEYMASSERROR: return ASKERROR;
        case KEYMOTION: return RUNCOMPARISON;
        default: return ASKCHANGE;
    }
}

// Reads a line of n numbers for the question `prompt` until it is understood and
// `inrange` accepts it; a refused line keeps the old values and asks again.
template <class Prompt, class InRange>
void asknumbers(Prompt prompt, int n, double *v, const char *rangehint, InRange inrange) {
    for (;;) {
        prompt();
        double got[4];
        if (!readnumbers(n, got))
            consoleprint("\n入力が読み取れません．数値を%d個入力してください．", n);
        else if (!inrange(got))
            consoleprint("\n範囲外の値です（%s）．もう一度入力してください．", rangehint);
        else {
            for (int i = 0; i < n; ++i) v[i] = got[i];
            return;
        }
    }
}

Step askchange() {
    if (app.type == ROBOTCYL)
        consoleprint("\n\n(a) 円筒座標ロボットの最短時間制御と状態観測最短時間制御の比較");
    else if (app.type == ROBOTSCARA)
        consoleprint("\n\n(b) SCARAロボットの最短時間制御と状態観測最短時間制御の比較");
    return askanykey("\n   条件のどれか変更する？　yes : y   no : n    ") == 'n' ? RUNCOMPARISON : ASKRATIO;
}

Step askratio() {
    const char key = askanykey("\n(2) 減速機変更？：y  減速機は変更しない：z  以下全て変更しない : n   ");
    if (key == 'n') return RUNCOMPARISON;
    if (key == 'z') return ASKGRAVITY;
    RobotParams &p = robotparams(app.type);
    double u[2] = {p.u1, p.u2};
    asknumbers(
        [&]() {
            if (app.type == ROBOTCYL)
                consoleprint("\n(2) 回転・直動関節減速比(旧u1 u2=%5.2f %5.2f)  u1 u2=", p.u1, p.u2);
            else
                consoleprint("\n(2) 第1,2関節減速比(旧u1 u2=%5.2f %5.2f)  u1 u2=", p.u1, p.u2);
        },
        2, u, rangehint("0 < u1, u2 ≤ %.1f", MAXRATIO),
        [](const double *v) { return ratioaccepted(v[0]) && ratioaccepted(v[1]); });
    p.u1 = u[0];
    p.u2 = u[1];
    return ASKGRAVITY;
}

Step askgravity() {
    consoleprint("\n(3) 重力考慮の有無：");
    consoleprint(app.sgnG == MOTIONVERTICAL ? " 旧有り(g)" : " 旧なし(h)");
    app.sgnG = askkey("\n変更　重力考慮する？　yes:g   no:h    ", MOTIONVERTICAL, MOTIONHORIZONTAL);
    return ASKPOINTS;
}

// Tells the user that a SCARA point is out of reach and waits for a key, for the
// start and then the end point.
void reportunreachable() {
    const double points[2][2] = {{task.x0, task.y0}, {task.xf, task.yf}};
    for (const auto &pt : points) {
        if (scarareachable(pt[0], pt[1])) continue;
        consoleprint("\n!!! 逆運動学の解なし．始めからやり直し．");
        consoleprint("\n    アーム長1,2=(%6.3f %6.3f) 位置(x,y)=(%6.3f %6.3f)", scara.L1, scara.L2, pt[0], pt[1]);
        readkey();
    }
}

Step askpoints() {
    consoleprint("\n(4-1) PTP運動の始点終点変更");
    consoleprint("\n    旧始点 (x0,y0)=(%6.3f %6.3f)[m]", task.x0, task.y0);
    consoleprint("   終点 (xf,yf)=(%6.3f %6.3f)[m]", task.xf, task.yf);
    if (askanykey("\n    変更する？　yes:y   no:n   ") == 'n') return ASKERROR;
    double v[4] = {task.x0, task.y0, task.xf, task.yf};
    asknumbers([]() { consoleprint("\n      入力　x0 y0 xf yf="); }, 4, v,
               rangehint("%.0f ≤ x0, y0, xf, yf ≤ %.0f [m]", -MAXCOORDINATE, MAXCOORDINATE), [](const double *c) {
                   return coordinateaccepted(c[0]) && coordinateaccepted(c[1]) && coordinateaccepted(c[2]) &&
                          coordinateaccepted(c[3]);
               });
    task.x0 = v[0];
    task.y0 = v[1];
    task.xf = v[2];
    task.yf = v[3];
    if (app.type == ROBOTSCARA) app.elbow = askkey("\n肘下折れ曲がり：1　上折れ曲がり：2  入力  ", ELBOWDOWN, ELBOWUP);
    setjointends();
    if (app.type == ROBOTSCARA) reportunreachable();
    return ASKERROR;
}

Step askerror() {
    consoleprint("\n(6-1) 誤差の変更");
    consoleprint("\n      旧質量誤差=%5.1f[%%]", 100.0 * task.errRatio);
    double percent = 100.0 * task.errRatio;
    asknumbers([]() { consoleprint("\n   誤差の％入力　　error="); }, 1, &percent,
               rangehint("%.0f < error < %.0f", -MAXERRORPERCENT, MAXERRORPERCENT),
               [](const double *v) { return errorpercentaccepted(v[0]); });
    task.errRatio = errorratio(percent);
    seterrormasses();
    return RUNCOMPARISON;
}

// After a failed design: 'n' ends the program, any other key goes on.
void askcontinue(const char *question) {
    if (askanykey(question) == 'n') consolequit(0);
}

// The comparison run. Returns the step to go on with: FINISHED, or the question to
// ask again after a failed design.
Step runcomparison() {
    // The pass takes its time base from the nominal time of the previous derivation.
    const ComparisonSettings settings = currentsettings();
    task.mw = task.mwNom;
    scara.m1 = scara.m1Nom;
    derivesettings();
    reportunreachable();
    consoleprint("\n見直し後の設定条件");
    printconditions();
    consoleprint("\n");
    consoleprint("\n\n　　　只今計算中．．．．．．．\n");
    const ComparisonResult result = comparisonpass(settings);
    // Every further derivation of the pass meets the same unreachable points.
    for (int d = 1; d < result.derivations; ++d) reportunreachable();
    if (result.outcome == NOFREESOLUTION) {
        askcontinue("\n誤差なしの切り替え時刻の解なし  別の条件で計算する？  yes:y   no:n  ");
        app.type = askkey("\n入力　円筒座標ロボット : a    SCARAロボット : b   ", ROBOTCYL, ROBOTSCARA);
        return ASKRATIO;
    }
    if (result.outcome == NOERRSOLUTION) {
        askcontinue("\n質量誤差ありの切り替え時刻の解なし  別の誤差で計算する？  yes:y   no:n  ");
        return ASKERROR;
    }
    consoleprint("%s", resultlines(result).c_str());
    consoleprint("\n\n描画画面へ       ");
    return FINISHED;
}

// printf-formatted text appended to `text`.
__attribute__((format(printf, 2, 3))) void appendf(std::string &text, const char *format, ...) {
    va_list args, again;
    va_start(args, format);
    va_copy(again, args);
    const int n = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    if (n > 0) {
        std::string line(static_cast<size_t>(n) + 1, '\0');
        std::vsnprintf(&line[0], line.size(), format, again);
        line.pop_back();
        text += line;
    }
    va_end(again);
}

// The formats of the result lines in one language; each takes the figures the
// Japanese line takes, in the same order and with the same precision.
struct ResultWords {
    const char *freeToc;        // error-free TOC: tf, Pf
    const char *errToc;         // TOC with the error: tf, Pf
    const char *tocError;       // its positioning error [m] and ratio [%]
    const char *pastSpan;       // after a TOC line whose tf lies beyond the span [s]
    const char *notReached;     // SOTOC never reached its last switching state
    const char *errSotoc;       // SOTOC with the error: tf, Pf (cylindrical robot)
    const char *errSotocScara;  // the same for the SCARA robot
    const char *sotocError;     // its positioning error [m] and ratio [%]
};

// The dialog's own lines; the SCARA robot's SOTOC line has a full-width space
// before the final time.
const ResultWords JAPANESEWORDS = {
    "\n誤差なしTOC    終端時間 tf=%7.4f[s]  終端位置 Pf[]=(%7.4f %7.4f)[m]",
    "\n誤差ありTOC    終端時間 tf=%7.4f[s]  終端位置 Pf[]=(%7.4f %7.4f)[m]",
    "\n  速度誤差を含めたTOC位置誤差  =%6.3f[m]  行程に対する誤差の比=%6.4f[%%]",
    "\n  終端時間がシミュレーション終了時刻(%4.1f[s])より後のため，終端位置と誤差はシミュレーション終了時の状態を示す",
    "\n誤差ありSOTOC  最後の切り替え状態に達しなかったため，シミュレーション終了時の状態を示す",
    "\n誤差ありSOTOC  終端時間 tf=%7.4f[s]  終端位置 Pf[]=(%7.4f %7.4f)[m]",
    "\n誤差ありSOTOC　終端時間 tf=%7.4f[s]  終端位置 Pf[]=(%7.4f %7.4f)[m]",
    "\n  速度誤差を含めたSOTOC位置誤差=%6.3f[m]  行程に対する誤差の比=%6.4f[%%]",
};

const ResultWords ENGLISHWORDS = {
    "\nError-free TOC     final time tf=%7.4f[s]  final position Pf=(%7.4f %7.4f)[m]",
    "\nTOC with error     final time tf=%7.4f[s]  final position Pf=(%7.4f %7.4f)[m]",
    "\n  TOC positioning error with velocity term  =%6.3f[m]  error to stroke ratio=%6.4f[%%]",
    "\n  The final time lies after the end of the simulation (%4.1f[s]): final position and error are "
    "the state at the end of the simulation",
    "\nSOTOC with error   never reached its last switching state: the state at the end of the simulation follows",
    "\nSOTOC with error   final time tf=%7.4f[s]  final position Pf=(%7.4f %7.4f)[m]",
    "\nSOTOC with error   final time tf=%7.4f[s]  final position Pf=(%7.4f %7.4f)[m]",
    "\n  SOTOC positioning error with velocity term=%6.3f[m]  error to stroke ratio=%6.4f[%%]",
};

// After a TOC line whose final time lies beyond the simulated span.
void appendpastspan(std::string &text, const ResultWords &w) { appendf(text, w.pastSpan, task.nStep * task.dt); }

// The provisional conditions of both robots as start-up installs them (horizontal
// motion); the SCARA robot is left selected.
void printprovisional() {
    const struct {
        char type;
        const char *heading;
    } robots[] = {{ROBOTCYL, "\n\ninitialset() 仮の設定  円筒座標ロボットの場合"},
                  {ROBOTSCARA, "\ninitialset() 仮の設定  SCARAロボットの場合"}};
    for (const auto &r : robots) {
        consoleprint("%s", r.heading);
        app.type = r.type;
        derivesettings();
        printconditions();
    }
}

}  // namespace

std::string resultlines(const ComparisonResult &r, Language language) {
    const ResultWords &w = language == ENGLISH ? ENGLISHWORDS : JAPANESEWORDS;
    const RunFigures &f = r.tocFree, &t = r.tocErr, &o = r.sotocErr;
    std::string text;
    appendf(text, w.freeToc, f.tf, f.P[0], f.P[1]);
    if (f.pastspan) appendpastspan(text, w);
    appendf(text, w.errToc, t.tf, t.P[0], t.P[1]);
    if (t.pastspan) appendpastspan(text, w);
    appendf(text, w.tocError, t.error, t.ratio);
    if (!r.sotocFinished) appendf(text, "%s", w.notReached);
    appendf(text, r.type == ROBOTSCARA ? w.errSotocScara : w.errSotoc, o.tf, o.P[0], o.P[1]);
    appendf(text, w.sotocError, o.error, o.ratio);
    return text;
}

void settingsdialog() {
    printguide();
    consoleprint("\n\n現在の設定条件");
    printconditions();
    Step step = entry(app.lastKey);
    while (step != FINISHED) {
        switch (step) {
            case ASKCHANGE: step = askchange(); break;
            case ASKRATIO: step = askratio(); break;
            case ASKGRAVITY: step = askgravity(); break;
            case ASKPOINTS: step = askpoints(); break;
            case ASKERROR: step = askerror(); break;
            case RUNCOMPARISON: step = runcomparison(); break;
            case FINISHED: break;
        }
    }
}

void startupdialog() {
    consoleprint("\n\nロボットの最短時間制御(TOC)シミュレーション");
    consoleprint("\n通常の最短時間制御(TOC)と状態観測最短時間制御(SOTOC)との位置決め誤差比較");
    printprovisional();
    app.type = askkey("\nロボットの選択   a:円筒座標ロボット　b:SCARAロボット　type=", ROBOTCYL, ROBOTSCARA);
    app.sgnG = askkey("\n重力考慮？　　yes ; g    no : h   sgnG=", MOTIONVERTICAL, MOTIONHORIZONTAL);
    app.ctrlType = CTRLTOC;
    app.lastKey = '0';
    settingsdialog();
}
