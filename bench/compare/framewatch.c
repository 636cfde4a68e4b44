/* framewatch.c - launch a viewer and time, from fork() to the moment a picture is shown, read from the X server
 * framebuffer (XGetImage on the root window; Xvfb, no compositor, no window manager). A picture is shown when
 * it is "image-like" (luminance stddev over a 128x128 probe > 3 and mean |diff| vs the grab before launch > 12, or > 5
 * vs the grab just before a key) at SEVERAL probes at once (-p X,Y, repeatable; default: screen centre), so
 * that a picture drawn at an intermediate, not yet fitted place does not count. After a detection it keeps watching
 * the probes and reports when they last changed (the screen settled: no change for -S ms), which catches later
 * refinements (re-layout, a better-scaled copy).
 * Build: gcc -O2 -o framewatch framewatch.c -lX11 -lXtst -lm
 * Usage: framewatch [-p X,Y]... [-S QUIET_MS (default 1500)] [-K FIRST_KEYSYM] [-k KEYSYM -n STEPS -s SETTLE_MS] [-t TIMEOUT_MS]
 *                   [-o PREFIX (whole-screen PPM after each settle: PREFIX_0.ppm, PREFIX_1.ppm, ...)] [-H HOLD_MS] -- cmd...
 * -K presses a key once the first picture has settled (full screen, before the steps) and waits for the screen to
 * settle again; not timed.
 * Output: RESULT first_ms=.. settled_ms=.. [stepN_ms=.. stepN_settled_ms=..]... peak_kb=.. cleared_ms=..
 * (-1 = timeout, the program ended, or not known). peak_kb is the largest VmHWM (peak resident set) of the child and its descendants, read
 * just before they are stopped after HOLD_MS: SIGTERM to the child's process group, SIGKILL when it is still there
 * 3 s later. cleared_ms is how long the probes took to show the screen of before the launch again (at most 5 s), so
 * that the next run starts from a clean screen. */
#define _GNU_SOURCE
#include <X11/Xlib.h>
#include <dirent.h>
#include <errno.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <math.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#define R 128
#define MAXP 8
static double now_ms(void) { struct timespec t; clock_gettime(CLOCK_MONOTONIC, &t); return t.tv_sec * 1e3 + t.tv_nsec / 1e6; }
static void sleep_ms(double ms) { struct timespec t = {(time_t)(ms / 1000), (long)((ms - 1000 * (time_t)(ms / 1000)) * 1e6)}; nanosleep(&t, NULL); }
static Display *dpy; static Window root; static int np, px[MAXP], py[MAXP];
static float ref[MAXP][3 * R * R], cur[MAXP][3 * R * R], prev[MAXP][3 * R * R], first_ref[MAXP][3 * R * R];

static void grab1(int k, float *o) {
    XImage *im = XGetImage(dpy, root, px[k] - R / 2, py[k] - R / 2, R, R, AllPlanes, ZPixmap);
    for (int y = 0; y < R; y++) for (int x = 0; x < R; x++) {
        unsigned long p = XGetPixel(im, x, y); float *q = o + 3 * (y * R + x);
        q[0] = (p >> 16) & 255; q[1] = (p >> 8) & 255; q[2] = p & 255;
    }
    XDestroyImage(im);
}
static void grab(float (*o)[3 * R * R]) { for (int k = 0; k < np; k++) grab1(k, o[k]); }
static void stats(const float *a, const float *r, double *sd, double *diff) {
    double s = 0, s2 = 0, d = 0; int n = R * R;
    for (int i = 0; i < n; i++) {
        const float *p = a + 3 * i, *q = r + 3 * i;
        double l = 0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2]; s += l; s2 += l * l;
        d += fabs(p[0] - q[0]) + fabs(p[1] - q[1]) + fabs(p[2] - q[2]);
    }
    double m = s / n; *sd = sqrt(fmax(0, s2 / n - m * m)); *diff = d / (3.0 * n);
}
static volatile pid_t child_pid;
static int child_gone;
/* a viewer that failed to start or died shows nothing more: stop waiting for it */
static int child_exited(void) {
    if (!child_gone && child_pid > 0 && waitpid(child_pid, NULL, WNOHANG) == child_pid) child_gone = 1;
    return child_gone;
}
/* all probes image-like and different from ref */
static double wait_image(double t0, double timeout, double thr) {
    while (now_ms() - t0 < timeout && !child_exited()) {
        grab(cur); int ok = 1;
        for (int k = 0; k < np && ok; k++) { double sd, df; stats(cur[k], ref[k], &sd, &df); ok = sd > 3.0 && df > thr; }
        if (ok) return now_ms() - t0;
        sleep_ms(2);
    }
    return -1;
}
/* after a detection: time (since t0) of the last change of any probe, once none changed for quiet ms */
static double wait_settle(double t0, double quiet, double timeout) {
    memcpy(prev, cur, sizeof cur); double last = now_ms();
    while (now_ms() - last < quiet && now_ms() - t0 < timeout) {
        sleep_ms(2); grab(cur); int changed = 0;
        for (int k = 0; k < np; k++) { double sd, df; stats(cur[k], prev[k], &sd, &df); if (df > 0.5) changed = 1; }
        if (changed) { last = now_ms(); memcpy(prev, cur, sizeof cur); }
    }
    return last - t0;
}
static void dump(const char *prefix, int n) {
    if (!prefix) return;
    int W = DisplayWidth(dpy, 0), H = DisplayHeight(dpy, 0);
    XImage *im = XGetImage(dpy, root, 0, 0, W, H, AllPlanes, ZPixmap);
    char name[512]; snprintf(name, sizeof name, "%s_%d.ppm", prefix, n);
    FILE *f = fopen(name, "wb");
    if (f) {
        fprintf(f, "P6 %d %d 255\n", W, H);
        for (int y = 0; y < H; y++) for (int x = 0; x < W; x++) {
            unsigned long p = XGetPixel(im, x, y); unsigned char c[3] = {(p >> 16) & 255, (p >> 8) & 255, p & 255};
            fwrite(c, 1, 3, f);
        }
        fclose(f);
    }
    XDestroyImage(im);
}

/* stopped from outside (a time limit, Ctrl-C): take the child's whole group along, so nothing outlives the timer */
static void on_signal(int sig) {
    if (child_pid > 0) { kill(-child_pid, SIGKILL); kill(child_pid, SIGKILL); }
    signal(sig, SIG_DFL); raise(sig);
}
/* VmHWM in kB of one process, -1 when it is gone */
static long vmhwm_kb(int pid) {
    char name[64], line[256]; long kb = -1;
    snprintf(name, sizeof name, "/proc/%d/status", pid);
    FILE *f = fopen(name, "r"); if (!f) return -1;
    while (fgets(line, sizeof line, f)) if (!strncmp(line, "VmHWM:", 6)) { kb = atol(line + 6); break; }
    fclose(f); return kb;
}
static int parent_of(int pid) {
    char name[64], buf[512]; snprintf(name, sizeof name, "/proc/%d/stat", pid);
    FILE *f = fopen(name, "r"); if (!f) return -1;
    size_t n = fread(buf, 1, sizeof buf - 1, f); fclose(f); buf[n] = 0;
    char *p = strrchr(buf, ')'); int ppid = -1;  /* the command name may hold spaces and brackets */
    if (p) sscanf(p + 1, " %*c %d", &ppid);
    return ppid;
}
/* largest VmHWM over pid and every process descended from it (a launcher script may exec or fork the real program) */
static long tree_peak_kb(int pid) {
    int pids[4096], n = 0; long best = vmhwm_kb(pid);
    DIR *d = opendir("/proc"); struct dirent *e;
    if (!d) return best;
    while ((e = readdir(d)) && n < 4096) { int p = atoi(e->d_name); if (p > 0) pids[n++] = p; }
    closedir(d);
    int tree[256], nt = 1; tree[0] = pid;
    for (int grew = 1; grew && nt < 256;) {
        grew = 0;
        for (int i = 0; i < n && nt < 256; i++) {
            int in = 0, pp = parent_of(pids[i]);
            for (int j = 0; j < nt; j++) if (tree[j] == pids[i]) in = 1;
            if (in) continue;
            for (int j = 0; j < nt; j++) if (tree[j] == pp) { tree[nt++] = pids[i]; grew = 1; long k = vmhwm_kb(pids[i]); if (k > best) best = k; break; }
        }
    }
    return best;
}
/* SIGTERM to the child's group, SIGKILL after 3 s; never waits longer than that */
static void stop_child(pid_t pid) {
    if (child_gone) { kill(-pid, SIGKILL); return; }
    kill(-pid, SIGTERM); kill(pid, SIGTERM);
    double t = now_ms();
    while (now_ms() - t < 3000) {
        pid_t r = waitpid(pid, NULL, WNOHANG);
        if (r == pid || (r < 0 && errno == ECHILD)) { kill(-pid, SIGKILL); return; }
        sleep_ms(10);
    }
    kill(-pid, SIGKILL); kill(pid, SIGKILL); waitpid(pid, NULL, 0);
}
/* time until every probe shows the screen of before the launch again, at most timeout ms */
static double wait_cleared(double timeout) {
    double t = now_ms();
    while (now_ms() - t < timeout) {
        grab(cur); int ok = 1;
        for (int k = 0; k < np && ok; k++) { double sd, df; stats(cur[k], first_ref[k], &sd, &df); ok = df < 1.0; }
        if (ok) return now_ms() - t;
        sleep_ms(10);
    }
    return -1;
}

int main(int argc, char **argv) {
    const char *key = NULL, *first_key = NULL, *shot = NULL; int steps = 0; double settle = 1000, timeout = 60000, quiet = 1500, hold = 0;
    int i = 1;
    for (; i < argc && strcmp(argv[i], "--"); i++) {
        if (!strcmp(argv[i], "-p") && np < MAXP) { sscanf(argv[++i], "%d,%d", &px[np], &py[np]); np++; }
        else if (!strcmp(argv[i], "-k")) key = argv[++i];
        else if (!strcmp(argv[i], "-K")) first_key = argv[++i];
        else if (!strcmp(argv[i], "-n")) steps = atoi(argv[++i]);
        else if (!strcmp(argv[i], "-s")) settle = atof(argv[++i]);
        else if (!strcmp(argv[i], "-t")) timeout = atof(argv[++i]);
        else if (!strcmp(argv[i], "-S")) quiet = atof(argv[++i]);
        else if (!strcmp(argv[i], "-o")) shot = argv[++i];
        else if (!strcmp(argv[i], "-H")) hold = atof(argv[++i]);
    }
    if (i >= argc - 1) { fprintf(stderr, "usage: framewatch [opts] -- cmd...\n"); return 2; }
    char **cmd = argv + i + 1;
    dpy = XOpenDisplay(NULL); if (!dpy) { fprintf(stderr, "no display\n"); return 1; }
    root = DefaultRootWindow(dpy);
    if (np == 0) { px[0] = DisplayWidth(dpy, 0) / 2; py[0] = DisplayHeight(dpy, 0) / 2; np = 1; }
    grab(ref); memcpy(first_ref, ref, sizeof ref);
    signal(SIGTERM, on_signal); signal(SIGINT, on_signal); signal(SIGHUP, on_signal);
    double t0 = now_ms();
    pid_t pid = fork();
    if (pid == 0) { setpgid(0, 0); execvp(cmd[0], cmd); _exit(127); }
    if (pid < 0) { fprintf(stderr, "fork failed\n"); return 1; }
    setpgid(pid, pid);
    child_pid = pid;
    double first = wait_image(t0, timeout, 12.0), fin = -1;
    if (first >= 0) fin = wait_settle(t0, quiet, timeout);
    printf("RESULT first_ms=%.1f settled_ms=%.1f", first, fin); fflush(stdout);
    if (first >= 0) dump(shot, 0);
    if (first >= 0 && key && steps > 0) {
        XWarpPointer(dpy, None, root, 0, 0, 0, 0, px[0], py[0]); XSync(dpy, False);
        KeyCode kc = XKeysymToKeycode(dpy, XStringToKeysym(key));
        if (first_key) {
            KeyCode fk = XKeysymToKeycode(dpy, XStringToKeysym(first_key));
            sleep_ms(settle);
            grab(ref);
            double tk = now_ms();
            XTestFakeKeyEvent(dpy, fk, True, 0); XTestFakeKeyEvent(dpy, fk, False, 0); XFlush(dpy);
            if (wait_image(tk, timeout, 5.0) >= 0) wait_settle(tk, quiet, timeout);
        }
        for (int s = 0; s < steps; s++) {
            sleep_ms(settle);
            grab(ref);
            double tk = now_ms();
            XTestFakeKeyEvent(dpy, kc, True, 0); XTestFakeKeyEvent(dpy, kc, False, 0); XFlush(dpy);
            double st = wait_image(tk, timeout, 5.0), sf = -1;
            if (st >= 0) sf = wait_settle(tk, quiet, timeout);
            printf(" step%d_ms=%.1f step%d_settled_ms=%.1f", s + 1, st, s + 1, sf); fflush(stdout);
            if (st >= 0) dump(shot, s + 1);
        }
    }
    if (hold > 0) sleep_ms(hold);
    printf(" peak_kb=%ld", tree_peak_kb(pid)); fflush(stdout);
    stop_child(pid);
    printf(" cleared_ms=%.1f\n", wait_cleared(5000)); fflush(stdout);
    XCloseDisplay(dpy);
    return 0;
}
