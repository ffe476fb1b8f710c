#include "app/dialog.h"

#include <cmath>
#include <cstdlib>

#include "app/console.h"
#include "app/params.h"
#include "app/report.h"
#include "core/records.h"
#include "model/control.h"
#include "model/simulation.h"
#include "planning/design.h"
#include "planning/kinematics.h"

namespace {

// Largest reduction ratio the window's three-digit legend can show.
constexpr double MAXRATIO = 999.9;
// The mass error in percent must stay strictly inside this bound on both sides,
// so that the erroneous mass stays positive and the legend's two digits suffice.
constexpr double MAXERRORPERCENT = 100.0;
// Sample periods: a run covers 4 s, or 8 s when the nominal move is longer than 4 s [s].
constexpr double SHORTSPAN = 4.0;
constexpr double LONGSPAN = 8.0;

enum Step { ASKCHANGE, ASKRATIO, ASKGRAVITY, ASKPOINTS, ASKERROR, RUNCOMPARISON, FINISHED };

void printguide() {
    consoleprint("\n\n描画画面上でキーによる操作選択");
    consoleprint("\n(1)   'a' 'b' : 円筒座標・SCARAロボットの選択");
    consoleprint("\n(2)   'u'     : 減速機の減速比変更");
    consoleprint("\n(3)   'g' 'h' : 重力有り(垂直運動）・なし(水平運動)の選択");
    consoleprint("\n(4)   'k'     : 運動の始点・終点変更");
    consoleprint("\n(5)   'm'     : 質量誤差の変更");
    consoleprint("\n(6) 描画の選択");
    consoleprint("\n(6-1) 's'    ：運動継続");
    consoleprint("\n(6-2) '0'    ：運動初期に戻す");
    consoleprint("\n(6-4) 'w' 'W'：ロボット図の縮小拡大");
    consoleprint("\n(7)   ESC    ：終了                                描画画面へ");
}

Step entry(char lastKey) {
    switch (lastKey) {
        case 'u': return ASKRATIO;
        case 'k': return ASKPOINTS;
        case 'm': return ASKERROR;
        case 'g':
        case 'h': return RUNCOMPARISON;
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

Step ask() {
    if (app.type == 'a')
        consoleprint("\n\n(a) 円筒座標ロボットの最短時間制御と状態観測最短時間制御の比較");
    else if (app.type == 'b')
        consoleprint("\n\n(b) SCARAロボットの最短時間制御と状態観測最短時間制御の比較");
    consoleprint("\n   条件のどれか変更する？　yes : y   no : n    ");
    return readkey() == 'n' ? RUNCOMPARISON : ASKRATIO;
}

Step ratio() {
    consoleprint("\n(2) 減速機変更？：y  減速機は変更しない：z  以下全て変更しない : n   ");
    const char key = readkey();
    if (key == 'n') return RUNCOMPARISON;
    if (key == 'z') return ASKGRAVITY;
    RobotParams &p = robotparams(app.type);
    double u[2] = {p.u1, p.u2};
    asknumbers(
        [&]() {
            if (app.type == 'a')
                consoleprint("\n(2) 回転・直動関節減速比(旧u1 u2=%5.2f %5.2f)  u1 u2=", p.u1, p.u2);
            else
                consoleprint("\n(2) 第1,2関節減速比(旧u1 u2=%5.2f %5.2f)  u1 u2=", p.u1, p.u2);
        },
        2, u, "0 < u1, u2 ≤ 999.9",
        [](const double *v) { return v[0] > 0.0 && v[0] <= MAXRATIO && v[1] > 0.0 && v[1] <= MAXRATIO; });
    p.u1 = u[0];
    p.u2 = u[1];
    return ASKGRAVITY;
}

Step gravity() {
    consoleprint("\n(3) 重力考慮の有無：");
    consoleprint(app.sgnG == 'g' ? " 旧有り(g)" : " 旧なし(h)");
    app.sgnG = askkey("\n変更　重力考慮する？　yes:g   no:h    ", 'g', 'h');
    return ASKPOINTS;
}

Step points() {
    consoleprint("\n(4-1) PTP運動の始点終点変更");
    consoleprint("\n    旧始点 (x0,y0)=(%6.3f %6.3f)[m]", task.x0, task.y0);
    consoleprint("   終点 (xf,yf)=(%6.3f %6.3f)[m]", task.xf, task.yf);
    consoleprint("\n    変更する？　yes:y   no:n   ");
    if (readkey() == 'n') return ASKERROR;
    double v[4] = {task.x0, task.y0, task.xf, task.yf};
    asknumbers([]() { consoleprint("\n      入力　x0 y0 xf yf="); }, 4, v, "", [](const double *) { return true; });
    task.x0 = v[0];
    task.y0 = v[1];
    task.xf = v[2];
    task.yf = v[3];
    cylinderik(task.x0, task.y0, cyl.phi0);
    cylinderik(task.xf, task.yf, cyl.phif);
    if (app.type == 'b') {
        app.elbow = askkey("\n肘下折れ曲がり：1　上折れ曲がり：2  入力  ", '1', '2');
        const double ref[2] = {0.0, 0.0};
        if (app.elbow == '1') {
            scaraikdown(task.x0, task.y0, ref, scara.phi0);
            scaraikdown(task.xf, task.yf, ref, scara.phif);
        } else {
            scaraikup(task.x0, task.y0, ref, scara.phi0);
            scaraikup(task.xf, task.yf, ref, scara.phif);
        }
    }
    return ASKERROR;
}

void seterrormasses() {
    task.mwErr = (1.0 + task.errRatio) * task.mwNom;
    scara.m1Err = (1.0 + task.errRatio) * scara.m1Nom;
}

Step error() {
    consoleprint("\n(6-1) 誤差の変更");
    consoleprint("\n      旧質量誤差=%5.1f[%%]", 100.0 * task.errRatio);
    double percent = 100.0 * task.errRatio;
    asknumbers([]() { consoleprint("\n   誤差の％入力　　error="); }, 1, &percent, "-100 < error < 100",
               [](const double *v) { return v[0] > -MAXERRORPERCENT && v[0] < MAXERRORPERCENT; });
    task.errRatio = percent / 100.0;
    seterrormasses();
    return RUNCOMPARISON;
}

void usemasses(double mw, double m1) {
    task.mw = mw;
    scara.m1 = m1;
    derivesettings();
}

// After a failed design: 'n' ends the program, any other key goes on.
void askcontinue(const char *question) {
    consoleprint("%s", question);
    if (readkey() == 'n') std::exit(0);
}

// The designed switching states that SOTOC watches; the last one is the goal at rest.
void setswitchingstates() {
    ControlTables &c = controltables(app.type);
    const RobotParams &p = robotparams(app.type);
    for (int k = 0; k < 4; ++k)
        for (int j = 0; j < 2; ++j) {
            c.swRefPos[k][j] = designs.segpos[k][j];
            c.swRefVel[k][j] = designs.segvel[k][j];
        }
    for (int j = 0; j < 2; ++j) {
        c.swRefPos[3][j] = p.phif[j];
        c.swRefVel[3][j] = 0.0;
    }
}

void copytimes(double to[4]) {
    const ControlTables &c = controltables(app.type);
    for (int k = 0; k < 4; ++k) to[k] = c.ts[k];
}

void simulateinto(char ctrl, RunLog &slot) {
    app.ctrlType = ctrl;
    simulate();
    keeprun(slot);
}

// Row of the log at time t, kept inside 1..nStep so that the velocity term has a
// row before it and the row lies inside the run.
int rowat(double t) {
    double k = std::trunc(t / task.dt);
    if (!(k >= 1.0)) k = 1.0;
    if (k > task.nStep) k = task.nStep;
    return static_cast<int>(k);
}

// Error of joint j at row k of `run` with its velocity of the last logged step,
// the velocity weighted by 1/wn so that it counts like a displacement.
double jointerror(const RunLog &run, int k, int j, double reference) {
    const double wn = j == 0 ? task.wn1 : task.wn2;
    const double e = run.fi[k][j] - reference;
    const double v = (run.fi[k][j] - run.fi[k - 1][j]) / (wn * task.dt);
    return std::sqrt(e * e + v * v);
}

// Positioning error at the tip [m] of `run` at row k.
double tiperror(const RunLog &run, const RunLog &reference, int k) {
    if (app.type == 'a') {
        const double E1 = jointerror(run, k, 0, reference.fi[k][0]);
        const double E2 = jointerror(run, k, 1, reference.fi[k][1]);
        const double r = cyl.phif[1];
        return std::sqrt((r * E1) * (r * E1) + E2 * E2);
    }
    const RobotParams &p = scara;
    const double E1 = jointerror(run, k, 0, p.phif[0]);
    const double E2 = jointerror(run, k, 1, p.phif[1]);
    const double c = std::cos(run.fi[k][1]);
    // Joint-1 error carried to the tip radius, joint-2 error at the link-2 length.
    const double A = std::sqrt(p.L1 * p.L1 + p.L2 * p.L2 + 2.0 * p.L1 * p.L2 * c) * E1;
    const double B = p.L2 * E2;
    return std::sqrt(A * A + B * B + 2.0 * A * B * c);
}

void printfinal(const char *format, double tf, const RunLog &run, int k) {
    consoleprint(format, tf, run.P[k][0], run.P[k][1]);
}

void printerror(const char *format, const RunLog &run, const RunLog &reference, int k) {
    const double e = tiperror(run, reference, k);
    const double S = std::hypot(task.xf - task.x0, task.yf - task.y0);
    // A move of zero length has no stroke to compare the error with.
    const double ratio = S > 0.0 ? 100.0 * e / S : 0.0;
    consoleprint(format, e, ratio);
}

void printresults() {
    const int r = robotindex(app.type);
    const RobotRuns &runs = robotruns(app.type);
    const int k0 = rowat(designs.tsFree[r][3]);
    const int k1 = rowat(designs.tsErr[r][3]);
    printfinal("\n誤差なしTOC    終端時間 tf=%7.4f[s]  終端位置 Pf[]=(%7.4f %7.4f)[m]", designs.tsFree[r][3], runs.tocFree, k0);
    printfinal("\n誤差ありTOC    終端時間 tf=%7.4f[s]  終端位置 Pf[]=(%7.4f %7.4f)[m]", designs.tsErr[r][3], runs.tocErr, k1);
    printerror("\n  速度誤差を含めたTOC位置誤差  =%6.3f[m]  行程に対する誤差の比=%6.4f[%%]", runs.tocErr, runs.tocFree, k1);
    double tf = sotoc.tfsotoc[r];
    int k2 = rowat(tf);
    if (tf == 0.0) {
        // SOTOC never passed its last switching state: judge it where the run ends.
        k2 = task.nStep;
        tf = task.nStep * task.dt;
        consoleprint("\n誤差ありSOTOC  最後の切り替え状態に達しなかったため，シミュレーション終了時の状態を示す");
    }
    if (app.type == 'a')
        printfinal("\n誤差ありSOTOC  終端時間 tf=%7.4f[s]  終端位置 Pf[]=(%7.4f %7.4f)[m]", tf, runs.sotocErr, k2);
    else
        printfinal("\n誤差ありSOTOC　終端時間 tf=%7.4f[s]  終端位置 Pf[]=(%7.4f %7.4f)[m]", tf, runs.sotocErr, k2);
    printerror("\n  速度誤差を含めたSOTOC位置誤差=%6.3f[m]  行程に対する誤差の比=%6.4f[%%]", runs.sotocErr, runs.tocFree,
               k2);
}

// The comparison run. Returns the step to go on with: FINISHED, or the question to
// ask again after a failed design.
Step run() {
    // The time base follows the nominal time of the previous derivation.
    task.dt = (task.tfNom > SHORTSPAN ? LONGSPAN : SHORTSPAN) / task.nStep;
    usemasses(task.mwNom, scara.m1Nom);
    consoleprint("\n見直し後の設定条件");
    printconditions();
    consoleprint("\n");
    consoleprint("\n\n　　　只今計算中．．．．．．．\n");

    app.designErr = 'n';
    if (!designswitching()) {
        askcontinue("\n誤差なしの切り替え時刻の解なし  別の条件で計算する？  yes:y   no:n  ");
        app.type = askkey("\n入力　円筒座標ロボット : a    SCARAロボット : b   ", 'a', 'b');
        return ASKRATIO;
    }
    const int r = robotindex(app.type);
    copytimes(designs.tsFree[r]);
    RobotRuns &runs = robotruns(app.type);
    simulateinto('T', runs.tocFree);

    seterrormasses();
    usemasses(task.mwErr, scara.m1Err);
    app.designErr = 'm';
    if (!designswitching()) {
        askcontinue("\n質量誤差ありの切り替え時刻の解なし  別の誤差で計算する？  yes:y   no:n  ");
        return ASKERROR;
    }
    copytimes(designs.tsErr[r]);
    setswitchingstates();

    // The plant and the servo gains use the nominal masses from here on.
    usemasses(task.mwNom, scara.m1Nom);
    simulateinto('T', runs.tocErr);
    simulateinto('S', runs.sotocErr);

    printresults();
    consoleprint("\n\n描画画面へ       ");
    app.scale = 1.0;
    app.frame = 0;
    return FINISHED;
}

}  // namespace

void settingsdialog() {
    printguide();
    consoleprint("\n\n現在の設定条件");
    printconditions();
    Step step = entry(app.lastKey);
    while (step != FINISHED) {
        switch (step) {
            case ASKCHANGE: step = ask(); break;
            case ASKRATIO: step = ratio(); break;
            case ASKGRAVITY: step = gravity(); break;
            case ASKPOINTS: step = points(); break;
            case ASKERROR: step = error(); break;
            case RUNCOMPARISON: step = run(); break;
            case FINISHED: break;
        }
    }
}
