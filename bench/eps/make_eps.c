/* Writes a large text EPS file for the line-scan benchmark: a header without a colour
   list, a prolog, the end of the setup, then short path-drawing lines, some of them
   setting CMYK or RGB colours, and a trailer.
   usage: make_eps OUTPUT MEGABYTES */
#include <stdio.h>
#include <stdlib.h>

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: %s OUTPUT MEGABYTES\n", argv[0]);
        return 2;
    }
    FILE* out = fopen(argv[1], "wb");
    if (!out) {
        perror(argv[1]);
        return 1;
    }
    const long long target = atoll(argv[2]) * 1000000LL;
    static char buffer[1 << 20];
    setvbuf(out, buffer, _IOFBF, sizeof buffer);
    long long written = fprintf(out,
                                "%%!PS-Adobe-3.0 EPSF-3.0\n"
                                "%%%%Creator: bench make_eps\n"
                                "%%%%Title: drawing.eps\n"
                                "%%%%BoundingBox: 0 0 612 792\n"
                                "%%%%Pages: 1\n"
                                "%%%%EndComments\n"
                                "%%%%BeginProlog\n"
                                "/m { moveto } bind def\n"
                                "/l { lineto } bind def\n"
                                "/c { curveto } bind def\n"
                                "/k { setcmykcolor } bind def\n"
                                "/rg { setrgbcolor } bind def\n"
                                "%%%%EndProlog\n"
                                "%%%%BeginSetup\n"
                                "1 setlinewidth\n"
                                "%%%%EndSetup\n"
                                "%%%%Page: 1 1\n");
    unsigned seed = 12345;
    unsigned long n = 0;
    while (written < target) {
        seed = seed * 1103515245u + 12345u;
        const unsigned x = (seed >> 8) % 612, y = (seed >> 4) % 792;
        int w;
        switch (n++ % 16) {
            case 0:
                w = fprintf(out, "newpath %u %u moveto\n", x, y);
                break;
            case 5:
                w = fprintf(out, "0.%u 0.%u 0 0.1 setcmykcolor\n", x % 10, y % 10);
                break;
            case 11:
                w = fprintf(out, "0.%u 0.%u 0.5 setrgbcolor\n", y % 10, x % 10);
                break;
            case 7:
            case 13:
                w = fprintf(out, "%u.5 %u.25 %u %u %u.75 %u curveto\n", x, y, y, x, x, y);
                break;
            case 15:
                w = fprintf(out, "closepath fill\n");
                break;
            default:
                w = fprintf(out, "%u.%u %u.%u lineto\n", x, y % 10, y, x % 10);
                break;
        }
        written += w;
    }
    written += fprintf(out, "showpage\n%%%%PageTrailer\n%%%%Trailer\n%%%%EOF\n");
    if (fclose(out) != 0) {
        perror(argv[1]);
        return 1;
    }
    return 0;
}
