/* Prints a window's bounding shape as a plain PBM image (P1): 1 for every
 * pixel inside the shape, 0 outside, over the window's own size.
 * Usage: kvx_shapemask WINDOW-ID (decimal or 0x hex). */
#include <X11/Xlib.h>
#include <X11/extensions/shape.h>
#include <stdio.h>
#include <stdlib.h>

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: %s WINDOW-ID\n", argv[0]);
        return 2;
    }
    Display* d = XOpenDisplay(NULL);
    if (d == NULL) {
        fprintf(stderr, "cannot open display\n");
        return 1;
    }
    Window w = (Window)strtoul(argv[1], NULL, 0);
    XWindowAttributes a;
    if (!XGetWindowAttributes(d, w, &a) || a.width <= 0 || a.height <= 0) {
        fprintf(stderr, "no window %s\n", argv[1]);
        return 1;
    }
    unsigned char* on = calloc((size_t)a.width * (size_t)a.height, 1);
    if (on == NULL) return 1;
    int n = 0, order = 0;
    XRectangle* r = XShapeGetRectangles(d, w, ShapeBounding, &n, &order);
    for (int i = 0; i < n; ++i)
        for (int y = r[i].y; y < r[i].y + r[i].height; ++y)
            for (int x = r[i].x; x < r[i].x + r[i].width; ++x)
                if (x >= 0 && y >= 0 && x < a.width && y < a.height)
                    on[(size_t)y * (size_t)a.width + (size_t)x] = 1;
    if (r != NULL) XFree(r);
    printf("P1\n%d %d\n", a.width, a.height);
    for (int y = 0; y < a.height; ++y) {
        for (int x = 0; x < a.width; ++x)
            printf("%d%c", on[(size_t)y * (size_t)a.width + (size_t)x], x + 1 < a.width ? ' ' : '\n');
    }
    free(on);
    XCloseDisplay(d);
    return 0;
}
