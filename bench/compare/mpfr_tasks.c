/* The comparison's tasks on MPFR, the near-physical limit.
 *
 *     mpfr_tasks TASK DIGITS REPS
 *
 * computes TASK with the binary precision that holds DIGITS significant
 * decimal digits, REPS times, emptying MPFR's caches (pi, log 2, ...) before
 * each repetition as a fresh process would find them; then prints the result
 * to DIGITS digits on the first line and, on the second, "cpu SECONDS": the
 * processor time of all repetitions together. Operands of a/b and a*b come
 * from the same generator as compare.py's and compare_bench's.
 */
#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include <gmp.h>
#include <mpfr.h>

static char* operand(int digits, uint32_t seed)
{
    char* text = malloc((size_t)digits + 1);
    uint32_t s = seed;
    for (int i = 0; i < digits; ++i) {
        s = s * 1103515245u + 12345u;
        uint32_t r = s >> 16;
        text[i] = (char)(i == 0 ? '1' + r % 9 : '0' + r % 10);
    }
    text[digits] = '\0';
    return text;
}

static double cputime(void)
{
    struct timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return (double)t.tv_sec + 1e-9 * (double)t.tv_nsec;
}

int main(int argc, char** argv)
{
    if (argc == 2 && strcmp(argv[1], "--version") == 0) {
        printf("MPFR %s, GMP %s\n", mpfr_get_version(), gmp_version);
        return 0;
    }
    if (argc != 4) {
        fprintf(stderr, "usage: mpfr_tasks TASK DIGITS REPS\n");
        return 2;
    }
    const char* task = argv[1];
    const int digits = atoi(argv[2]);
    const long reps = atol(argv[3]);
    if (digits < 1 || reps < 0) {
        fprintf(stderr, "mpfr_tasks: bad digits or repetitions\n");
        return 2;
    }
    /* Four guard bits beyond the digits asked for. */
    mpfr_prec_t bits = (mpfr_prec_t)ceil(digits * 3.321928094887362) + 4;
    int printdigits = digits;

    mpfr_t r, x, y, t;
    /* The exact product is GMP's integer product, mpz_mul. */
    mpz_t za, zb, zr;
    mpz_inits(za, zb, zr, (mpz_ptr)0);
    const int integers = strcmp(task, "a*b") == 0;
    char *a = NULL, *b = NULL;
    if (integers) {
        char* text = operand(digits, 3);
        mpz_set_str(za, text, 10);
        free(text);
        text = operand(digits, 4);
        mpz_set_str(zb, text, 10);
        free(text);
    } else if (strcmp(task, "a/b") == 0) {
        a = operand(digits, 1);
        b = operand(digits, 2);
    }
    mpfr_inits2(bits, r, x, y, t, (mpfr_ptr)0);
    /* The operands exactly, whatever their length. */
    mpfr_prec_t opbits = (mpfr_prec_t)ceil(digits * 3.321928094887362) + 8;
    if (a != NULL) {
        mpfr_set_prec(x, opbits);
        mpfr_set_prec(y, opbits);
        mpfr_set_str(x, a, 10, MPFR_RNDN);
        mpfr_set_str(y, b, 10, MPFR_RNDN);
    }

    /* sin_huge: 10^1000000 exactly (its odd part 5^1000000 has 2321929 bits). */
    if (strcmp(task, "sin_huge") == 0) {
        mpfr_set_prec(x, 2400000);
        mpfr_ui_pow_ui(x, 10, 1000000, MPFR_RNDN);
    }

    int known = 1;
    double start = cputime();
    for (long i = 0; i < reps && known; ++i) {
        mpfr_free_cache();
        if (strcmp(task, "sqrt2") == 0) {
            mpfr_sqrt_ui(r, 2, MPFR_RNDN);
        } else if (strcmp(task, "exp1") == 0) {
            mpfr_set_ui(t, 1, MPFR_RNDN);
            mpfr_exp(r, t, MPFR_RNDN);
        } else if (strcmp(task, "ln2") == 0) {
            mpfr_log_ui(r, 2, MPFR_RNDN);
        } else if (strcmp(task, "log10_7") == 0) {
            mpfr_set_ui(t, 7, MPFR_RNDN);
            mpfr_log10(r, t, MPFR_RNDN);
        } else if (strcmp(task, "pow2_0.5") == 0) {
            mpfr_set_ui(t, 2, MPFR_RNDN);
            mpfr_set_d(y, 0.5, MPFR_RNDN);
            mpfr_pow(r, t, y, MPFR_RNDN);
        } else if (strcmp(task, "pow3_0.7") == 0) {
            mpfr_set_ui(t, 3, MPFR_RNDN);
            mpfr_set_str(y, "0.7", 10, MPFR_RNDN);
            mpfr_pow(r, t, y, MPFR_RNDN);
        } else if (strcmp(task, "pi") == 0) {
            mpfr_const_pi(r, MPFR_RNDN);
        } else if (strcmp(task, "sin1") == 0) {
            mpfr_set_ui(t, 1, MPFR_RNDN);
            mpfr_sin(r, t, MPFR_RNDN);
        } else if (strcmp(task, "cos1") == 0) {
            mpfr_set_ui(t, 1, MPFR_RNDN);
            mpfr_cos(r, t, MPFR_RNDN);
        } else if (strcmp(task, "tan1") == 0) {
            mpfr_set_ui(t, 1, MPFR_RNDN);
            mpfr_tan(r, t, MPFR_RNDN);
        } else if (strcmp(task, "atan1") == 0) {
            mpfr_set_ui(t, 1, MPFR_RNDN);
            mpfr_atan(r, t, MPFR_RNDN);
        } else if (strcmp(task, "asin0.5") == 0) {
            mpfr_set_d(t, 0.5, MPFR_RNDN);
            mpfr_asin(r, t, MPFR_RNDN);
        } else if (strcmp(task, "acos0.5") == 0) {
            mpfr_set_d(t, 0.5, MPFR_RNDN);
            mpfr_acos(r, t, MPFR_RNDN);
        } else if (strcmp(task, "sinh1") == 0) {
            mpfr_set_ui(t, 1, MPFR_RNDN);
            mpfr_sinh(r, t, MPFR_RNDN);
        } else if (strcmp(task, "asinh1") == 0) {
            mpfr_set_ui(t, 1, MPFR_RNDN);
            mpfr_asinh(r, t, MPFR_RNDN);
        } else if (strcmp(task, "gamma0.5") == 0) {
            mpfr_set_d(t, 0.5, MPFR_RNDN);
            mpfr_gamma(r, t, MPFR_RNDN);
        } else if (strcmp(task, "fact1000") == 0) {
            mpfr_fac_ui(r, 1000, MPFR_RNDN);
        } else if (strcmp(task, "1/7") == 0) {
            mpfr_set_ui(t, 1, MPFR_RNDN);
            mpfr_div_ui(r, t, 7, MPFR_RNDN);
        } else if (strcmp(task, "a/b") == 0) {
            mpfr_div(r, x, y, MPFR_RNDN);
        } else if (integers) {
            mpz_mul(zr, za, zb);
        } else if (strcmp(task, "sin_huge") == 0) {
            mpfr_sin(r, x, MPFR_RNDN);
        } else {
            known = 0;
        }
    }
    double seconds = cputime() - start;
    if (!known) {
        fprintf(stderr, "mpfr_tasks: unknown task %s\n", task);
        return 2;
    }
    if (reps > 0 && integers)
        mpz_out_str(stdout, 10, zr);
    else if (reps > 0)
        mpfr_out_str(stdout, 10, (size_t)printdigits, r, MPFR_RNDN);
    printf("\ncpu %.9f\n", seconds);
    mpfr_clears(r, x, y, t, (mpfr_ptr)0);
    mpz_clears(za, zb, zr, (mpz_ptr)0);
    free(a);
    free(b);
    return 0;
}
