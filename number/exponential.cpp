#include "number/exponential.h"

#include <algorithm>
#include <vector>

#include "constants.h"
#include "digittables.h"
#include "division.h"
#include "flat.h"
#include "number/addition.h"
#include "number/cancellation.h"
#include "number/conversion.h"
#include "number/multiplication.h"
#include "number/powers.h"
#include "number/trigonometric.h"
#include "series.h"
#include "splitting.h"

namespace num {

namespace {

// ln 10 from its table, like pi; a computed value is good to 1.02 f, the
// error of its last Newton step.
cachedconstant& theln10cache()
{
    static cachedconstant cache(number(LN10DIGITS), powerof10(10 - TABLEDIGITS), number(1.02));
    return cache;
}

// The checks both logarithms make of their argument and resolution; true
// when x is 1, whose logarithm is 0.
bool lnofone(const number& x, const number& f)
{
    if (x.iszero() || x.isnegative())
        throw numberexception("ln:invalid argument (x<=0)");
    if (!ispositive(f))
        throw numberexception("ln:invalid argument (f<=0)");
    return x == number(1);
}

// e^x for x >= 0 within R e^m, m = floor(x) + 1: O halvings, the plain
// series and O squarings.
number expbyhalvings(const number& x, number R)
{
    static const number halvingsperdigit(3.4);  // 2^3.4 > 10, and O >= N + 3: D < 1
    static const number halvingsfit(1.1);  // O grows as 1.1 sqrt(digits), halvings against terms
    static const number countresolution(0.2);  // 1.1 * 0.2 < 1: the rough root moves O by under 1
    // The series works to R = 0.2 2^-O of the budget: the O squarings double
    // what the series leaves and what each of them adds (R relative at most),
    // and 0.2 (0.3 + 0.2 + 0.2 * 0.4 + 0.76 + 1) < 1.
    static const number seriesshare(0.2);
    static const number cutshare(0.3);        // x / 2^O to 0.3 R: e^D to 0.3 R relative
    static const number abovee(2.72);         // 2.72 > e: M! >= (M / e)^M, so S >= D^M / M!
    static const number divisionshare(0.2);   // about M divisions at 0.2 R / M: 0.2 R in all
    static const number stopthreshold(0.76);  // a last term below 0.76 R, the tail below it: D < 1
    static const number productshare(0.4);    // a product at 0.4 of a division's share

    // O halvings of x (more for more digits, so the series stays short); the
    // last N - 1 of the squarings that undo them work relative to the value.
    number N = APCprod(halvingsperdigit, number(leadpos(x)), 1) + number(2);
    number O = APCprod(halvingsfit, sqrt(number(-leadpos(R)), countresolution), 1) + N + number(3);
    O = O < number(1) ? number() : floor(O);
    if (N < number(1))
        N = number(1);
    else if (N > O)
        N = O + number(1);
    else
        N = floor(N);

    number Q = logpow(half(), O);  // 2^-O, exact
    R = APCprod(APCprod(seriesshare, Q, -1), R, -1);
    number D = prod(x, Q, cutshare * R);

    // Number of terms: after j doublings M = 2^j and S bounds (2.72 D / M)^M,
    // which stands for D^M / M!.
    number S = APCprod(D, abovee, 1);
    number K = half();
    number M(1);
    while (R < S) {
        M = M + M;
        K = APCprod(K, K, 1);
        S = APCprod(APCprod(S, S, 1), K, 1);
    }
    number G = APCquot(APCprod(divisionshare, R, -1), M, -1);  // per division
    number F = APCprod(stopthreshold, R, -1);
    number E = APCprod(productshare, G, -1);  // per multiplication

    // The terms and their sum on flat limbs: each step a short product, a
    // short division and a sum, none of them building a chain.
    const flat one = flatten(number(1));
    flat I = one;
    flat H = one;
    const flat Df = flatten(D);
    const flat Ff = flatten(F);
    std::uint32_t k = 0;
    while (!H.limbs.empty() && comparemagnitudes(H.view(), Ff.view()) > 0) {
        ++k;
        H = quotbylimb(prod(H.view(), Df.view(), E).view(), k, G);
        I = addexact(I.view(), H.view(), false);
    }

    R = APCprod(number(1), R, -1);
    std::int32_t n = static_cast<std::int32_t>(getint64(N));
    std::int32_t o = static_cast<std::int32_t>(getint64(O));
    // The squarings on flat limbs, with no chain built between them; the
    // relative ones scale R by the square's lead, which its top limbs give.
    flat J = std::move(I);
    for (std::int32_t p = n; p <= o; ++p)
        J = prod(J.view(), J.view(), R);
    for (std::int32_t p = 2; p <= n; ++p) {
        const number top = chainof(slice(J.view(), J.expo, J.expo - 3));
        J = prod(J.view(), J.view(), APCprod(APCprod(top, top, 0), R, 0));
    }
    return chainof(J);
}

// The places of a long argument whose pieces are summed by binary
// splitting at d digits: a piece below 10^-a costs about as much whatever a,
// where the halvings and squarings that take what lies below it cost half
// as much for each doubling of a, so the pieces stop where they would cost
// more than they save, near d / TAIL_RATIO places (at 6000 digits the piece
// from 256 to 512 places took 166 us, and the tail below 10^-256 by
// halvings 299 us, below 10^-512 about 150 us). Below LONG_SPLITTING_DIGITS
// the halvings take a long argument whole (at 1000 digits e^(1/7) by
// halvings 106 us, its first piece by splitting and the rest by halvings
// more).
constexpr std::int32_t TAIL_RATIO = 16;
constexpr std::int32_t LONG_SPLITTING_DIGITS = 1500;

// The places of y summed by splitting (series.h): all of a short y, at the
// edge of a piece otherwise.
std::int32_t splittingplaces(const number& y, std::int32_t digits)
{
    if (isshort(y))
        return SHORT_PLACES;
    if (digits < LONG_SPLITTING_DIGITS)
        return 0;
    std::int32_t places = FIRST_PLACES;
    while (2 * places <= digits / TAIL_RATIO)
        places *= 2;
    return places;
}

// e^x for x >= 0 within R of itself: s exact halvings (a decimal halves
// exactly) bring x into [0, 1], e^(x / 2^s) to E = 0.4 R 2^-s, then s
// squarings, each to 0.3 R 2^-s of the square: the squarings double the
// relative error before them, so 0.4 R + 0.3 R (1/2 + 1/4 + ...) and a
// hair stay below R. The square of v is at least 10^(2 leadpos(v)).
number expsplit(const number& x, const number& R)
{
    // A long argument below LONG_SPLITTING_DIGITS: the halvings take it
    // whole, with the whole budget.
    if (!isshort(x) && -leadpos(R) < LONG_SPLITTING_DIGITS)
        return expbyhalvings(x, R);
    static const number seriesshare(0.4), squareshare(0.3);
    number y = x;
    std::int32_t s = 0;
    while (y > one()) {
        y = y * half();
        ++s;
    }
    const number w = logpow(half(), number(s));  // 2^-s, exact
    const number E = APCprod(APCprod(seriesshare, R, -1), w, -1);

    // The head of y by splitting to 0.4 E, the tail below it by halvings
    // to 0.36 * 0.4 E of e > e^tail (its bound's base), and their product
    // to 0.1 E: all three values are at least 1, so each adds its share
    // relative, 0.9 E and a hair.
    static const number headshare(0.4), tailshare(0.144), productshare(0.1);
    const number head = truncdigits(y, splittingplaces(y, -leadpos(E)));
    const number tail = y - head;
    number v = head.iszero() ? number(1) : expsplitting(head, APCprod(headshare, E, -1));
    if (!tail.iszero())
        v = prod(v, expbyhalvings(tail, APCprod(tailshare, E, -1)), APCprod(productshare, E, -1));
    const number h = APCprod(APCprod(squareshare, R, -1), w, -1);
    for (std::int32_t i = 0; i < s; ++i)
        v = prod(v, v, scaled(h, 2 * leadpos(v)));
    return v;
}

}  // namespace

number exp(const number& x, const number& f)
{
    if (!ispositive(f))
        throw numberexception("exp:invalid argument (f<=0)");
    // For x < 0, 0.4 + 0.3 < 1: e^-x to 0.4 f J^2 moves its reciprocal by
    // 0.4 f at most, as e^-x >= J, and the quotient adds 0.3 f.
    static const number belowe(2.71828182845235);  // J = belowe^n <= e^n <= e^-x
    static const number inverseshare(0.4);
    static const number quotientshare(0.3);
    static const number belowinverse("0.367879");  // just below 1/e

    if (x.isnegative()) {
        // e^x = 1 / e^-x; J <= e^n bounds how much the reciprocal magnifies
        // the error of e^-x.
        number n = number(-1) - floor(x);
        number J = APCpow(belowe, n, -1);
        number R = APCprod(f, J, -1);
        if (R >= number(1))
            return number();  // e^x < f: zero is within the resolution
        number y = exp(negate(x), APCprod(APCprod(inverseshare, R, -1), J, -1));
        return quot(number(1), y, quotientshare * f);
    }

    // R: the budget relative to e^m, an upper bound of the result.
    number m = floor(x) + number(1);
    number R = APCprod(f, APCpow(belowinverse, m, -1), -1);
    if (R >= number(1))
        return R;

    // A short argument's series by splitting costs less than the halvings
    // at every precision (e^1 at 10 digits 2.4 us against 5.1 us, at 40
    // 4.5 against 6.2, at 6000 0.45 ms against 3.7 ms); e^2.5, which takes
    // two squarings, ties with them from 150 to 500 digits.
    return expsplit(x, R);
}

// Beyond this many decimals Newton's steps on exp take fewer long products
// than the square roots and the series (bench/explog_bench, BM_lnmethods:
// at 1000 digits 0.34 ms against 0.55 ms).
constexpr std::int32_t LN_NEWTON_DIGITS = 150;
// Beyond this many decimals the mean's square roots cost less than
// Newton's exps (bench/explog_bench, BM_lnmethods, ln 2: 0.33 ms against
// 0.21 ms at 1000 digits, 0.74 against 0.80 at 2000, 3.3 against 4.7 at
// 6000); up to the limit ln s stays below 30000, which lnagm's bound needs.
constexpr std::int32_t LN_AGM_DIGITS = 2000;
constexpr std::int32_t LN_AGM_LIMIT = 12000;

number ln(const number& x, const number& f)
{
    if (lnofone(x, f))
        return number();
    // ln 10 comes from its cache, within 1.02 of its resolution.
    static const number ten(10), ln10share(0.98);
    if (x == ten)
        return ln10(APCprod(ln10share, f, -1));
    if (leadpos(x) >= 1 || leadpos(x) <= -2)
        return lndecades(x, f);
    if (leadpos(f) < -LN_AGM_DIGITS && leadpos(f) > -LN_AGM_LIMIT)
        return lnagm(x, f);
    if (leadpos(f) < -LN_NEWTON_DIGITS)
        return lnnewton(x, f);
    static const number reciprocalshare(0.06);  // 1/x to 0.06 f / x: 0.06 f on ln x
    static const number cutshare(0.01);         // x cut at 0.01 f x: 0.01 f on ln x
    static const number rootsbudget(0.09);      // U: the first root to 0.09 f, relative
    static const number nearone(1.5);           // roots down to H <= 1.5: m <= 0.5 for the series
    static const number rootshrink(0.3);        // 2 * 0.3 < 1: S U shrinks with every root
    static const number clearance(10.4);       // m > 10.4 U, clear of its error, or x is too near 1
    static const number extrabudget(1.6);      // the extra roots and the series work to 1.6 U
    static const number extrarootsfit(0.86);   // about 0.86 sqrt(digits) extra roots, against terms
    static const number countresolution(0.2);  // 0.86 * 0.2 < 1: the rough root moves Q by under 1
    static const number rootsperdigit(3.3);    // a leading zero of m stands for 3.3 < log2 10 roots
    static const number extrarootshrink(0.29);  // 2 * 0.29 < 1: T U shrinks with every extra root
    static const number decimalgain(0.1);       // m < 0.1 gains a digit a term, else a bit at least
    static const number termsbudget(5.2);     // P counts terms to 5.2 U, near the 7 U they stop at
    static const number termsperdigit(-3.4);  // m <= 0.5: 3.4 > log2 10 terms gain a digit
    static const number divisionshare(2.2);   // P divisions at 2.2 U / P: 2.2 U in all
    static const number productshare(0.4);    // a product at 0.4 of a division's share
    // 0.06 + 0.03 = 0.01 + 0.08: the start and the last product take 0.09 f either way.
    static const number reciprocalproductshare(0.03);
    static const number cutproductshare(0.08);

    // H >= 1: the reciprocal of a small x, or x cut to what the budget needs.
    bool below = x < number(1);
    number H = below ? quot(number(1), x, APCquot(APCprod(reciprocalshare, f, 1), x, 1))
                     : truncate(x, APCprod(APCprod(cutshare, f, 1), x, 1));

    number U = APCprod(rootsbudget, f, -1);  // what is left of the budget
    number S(1);                             // 2^k for the k square roots taken
    while (H > nearone && U > half()) {
        H = sqrt(H, scaled(half(), leadpos(H) / 2));
        U = APCprod(rootshrink, U, -1);
        S = S + S;
    }
    while (H > nearone) {
        H = sqrt(H, scaled(U, leadpos(H) / 2));
        U = APCprod(rootshrink, U, -1);
        S = S + S;
    }

    number M = H - number(1);
    if (!(M > APCprod(clearance, U, 1)))
        throw numberexception("cond. 1");
    U = APCprod(extrabudget, U, -1);

    // Extra square roots shorten the series: about 0.86 sqrt(digits) +
    // 3.3 leadpos(M) - 5 of them.
    number Q = APCsum(APCsum(APCprod(extrarootsfit, sqrt(number(-leadpos(U)), countresolution), -1),
                             APCprod(rootsperdigit, number(leadpos(M)), -1), -1),
                      number(-5), -1);
    Q = Q < number(1) ? number() : floor(Q);
    for (std::int64_t q = getint64(Q); q > 0; --q) {
        H = sqrt(H, U);
        U = APCprod(extrarootshrink, U, -1);
    }
    M = H - number(1);

    // Series ln(1 + m) = m - m^2/2 + m^3/3 - ..., its length estimated first.
    number P = M < decimalgain
                   ? quot(number(leadpos(APCprod(termsbudget, U, -1))), number(leadpos(M) + 1),
                          countresolution)
                   : APCprod(termsperdigit, number(leadpos(APCprod(termsbudget, U, -1))), 1);
    if (P > number(1)) {
        number K = APCquot(APCprod(divisionshare, U, -1), P, -1);  // per division
        number I = APCprod(productshare, K, -1);                   // per multiplication
        number J = APCprod(number(7), U, -1);                      // last term needed
        number L = M;
        number G = negate(M);
        std::int32_t k = 1;
        while (compareabs(L, J) > 0) {
            ++k;
            L = prod(L, G, I);
            M = M + quot(L, number(k), K);
        }
    }

    number T = S * logpow(number(2), Q);
    if (below)
        return negate(prod(T, M, reciprocalproductshare * f));
    return prod(T, M, cutproductshare * f);
}

number lndecades(const number& x, const number& f)
{
    // ln x = ln y + k ln 10 with x = y 10^k, 1 <= y < 10: the square roots
    // and the series see y only, however far x lies from 1. For x >= 10 or
    // x < 0.1 both terms have the sign of ln x or |k ln 10| >= 2 |ln y|, so
    // nothing cancels. 0.5 + 0.2 + 0.1 < 1 of f.
    static const number yshare(0.5);        // ln y to 0.5 f
    static const number ln10share(0.2);     // ln 10 to 0.2 f / |k|: 0.2 f on k ln 10
    static const number productshare(0.1);  // k ln 10 to 0.1 f
    // ln y to at least three digits of its own: the square roots need
    // y - 1 clear of the resolution, which a large k makes coarse.
    constexpr std::int32_t OWN_PLACES = 3;
    const std::int32_t k = leadpos(x);
    number y(x);
    multpow10(y, -k);
    number lny;
    const number g = APCprod(yshare, f, -1);
    const number above = y - number(1);
    if (above > g) {
        const number near = powerof10(leadpos(above) - OWN_PLACES);
        lny = ln(y, g < near ? g : near);
    }
    // Otherwise 0 <= ln y <= y - 1 <= g: zero is within it.
    const number t =
        prod(number(k), ln10(APCquot(APCprod(ln10share, f, -1), number(k < 0 ? -k : k), -1)),
             APCprod(productshare, f, -1));
    return lny + t;
}

number lnagm(const number& x, const number& f)
{
    if (lnofone(x, f))
        return number();
    // Worked to 0.01 at most: the shares below are relative to f, and a cut
    // of s at 0.01 f s must leave s whole.
    static const number coarsest(0.01);
    if (f > coarsest)
        return lnagm(x, coarsest);
    // With q = 1/s^2, ln s = pi / (2 AGM(t2^2, t3^2)) exactly for the theta
    // functions t3 = 1 + 2q + 2q^4 + 2q^9 + ... and t2 = 2 q^(1/4) (1 + q^2
    // + q^6 + ...). For q <= 0.01 the start a = 1 + 4q + 4q^2, b = 4/s (1 +
    // 2q^2) leaves out 5 q^4 of t3^2 and 2 q^4 of t2^2 s/4 at most, relative:
    // the mean moves by 5 q^4, ln s by 5 ln s / s^8 < 0.015 f with s = x 10^m
    // >= 10^E, 8 E >= 7 - leadpos(f) and ln s < 30000. (The plain start
    // AGM(1, 4/s) would need s^2 > 10^digits, two more steps of the mean.)
    // Then ln x = ln s - m ln 10.
    // 0.015 + 0.011 + 0.3 + 0.05 + 0.1 + 0.092 + 0.05 < 1 of f.
    static const number cutshare(0.01);  // x cut at 0.01 f x: 0.011 f on ln x
    static const number meanshare(0.3);  // the mean to 0.3 f / ln s relative: 0.3 f on ln s
    static const number pishare(0.15);   // pi to 0.15 f / ln s: 0.05 f, as pi/2A < ln s < 3 ln s/pi
    static const number quotientshare(0.1);  // pi / 2A to 0.1 f
    static const number ln10share(0.09);     // ln 10 to 0.09 f / m, good to 1.02 of it: 0.092 f
    static const number productshare(0.05);  // m ln 10 to 0.05 f
    static const number lnten(2.31);         // 2.31 > ln 10: ln s < 2.31 (leadpos(s) + 1)
    constexpr std::int32_t FORMULA_PLACES = 7;
    // A step's a and b, each within e relative (the product to e, so its
    // root to e / 2, and the root itself to 0.04 e), move the mean by e at
    // most: it is homogeneous and grows with either argument. The start, N
    // steps and the last mean with its correction take (N + 2) e. The steps stop once
    // the series of the mean in d = (a - b) / (a + b), with A = (a + b) / 2,
    //   AGM(a, b) = A AGM(1 + d, 1 - d) = A (1 - d^2/4 - 5 d^4/64 - R),
    // |R| <= 0.044 d^6 for d <= 0.1 (mpmath), cut after d^4 is within its
    // share: one to two square roots fewer than waiting for a = b. Half the
    // mean's share goes to the steps, half to that stop.
    static const number stopshare(0.5);
    static const number stepsshare(0.5);
    static const number tailbound(0.05);    // |R| <= 0.05 d^6
    static const number largestratio(0.1);  // d <= 0.1, where the bound on R holds
    static const number ratioshare(0.2);    // d to 0.2 e / d: 0.1 e on A d^2 / 4
    static const number squareshare(0.1);   // d^2 to 0.1 e: 0.025 e
    static const number seriesshare(0.1);   // d^2 / 4 + 5 d^4 / 64 to 0.1 e
    static const number eighth(0.125), quarter(0.25), fivesixtyfourths(0.078125);

    // s >= 100 for a coarse f too: the bound holds from s >= 10 on.
    const std::int32_t E = std::max(2, (FORMULA_PLACES - leadpos(f) + 7) / 8);
    // Shifted before the cut, so that 0.01 f s stays in the range of a number.
    const std::int32_t m = E - leadpos(x);
    number s(x);
    multpow10(s, m);
    s = truncate(s, APCprod(APCprod(cutshare, f, -1), s, -1));
    const number lns = APCprod(lnten, number(E + 1), 1);  // above ln s

    // The steps: about log2(ln s) while b climbs to a, then one per doubling
    // of the digits. 4 log2 of the digits + 8 is above both for digits >= 100.
    std::int32_t digits = 8 - leadpos(f), bits = 0;
    while (digits > 0) {
        digits /= 2;
        ++bits;
    }
    const std::int32_t steps = 4 * bits + 8;
    const number relative = APCquot(APCprod(meanshare, f, -1), lns, -1);
    const number e = APCquot(APCprod(stepsshare, relative, -1), number(steps + 2), -1);
    const number stop = APCprod(stopshare, relative, -1);

    // 4/s to 0.1 e, relative; 16 q^2 to 0.1 e: a to 0.4 e, b to 0.3 e.
    const number r = quot(number(4), s, scaled(e, leadpos(APCquot(number(4), s, 0)) - 2));
    const number fourq = prod(prod(r, r, scaled(e, -1)), quarter, scaled(e, -1));
    const number sixteenqq = prod(fourq, fourq, scaled(e, -1));
    number a = number(1) + fourq + prod(sixteenqq, quarter, scaled(e, -1));
    number b =
        r + prod(prod(r, sixteenqq, scaled(e, leadpos(r) - 1)), eighth, scaled(e, leadpos(r) - 1));
    for (std::int32_t k = 0;; ++k) {
        pollcancel();
        const number sum = a + b;
        const number ratio = APCquot(abs(a - b), sum, 1);  // above |d|
        if (ratio.iszero())
            break;
        if (ratio <= largestratio) {
            const number square = APCprod(ratio, ratio, 1);
            if (APCprod(tailbound, APCprod(APCprod(square, square, 1), square, 1), 1) <= stop)
                break;
        }
        if (k == steps)
            throw numberexception("ln:the mean did not converge");
        const number root = sqrt(prod(a, b, scaled(e, leadpos(a) + leadpos(b))),
                                 scaled(e, (leadpos(a) + leadpos(b)) / 2 - 2));
        a = prod(sum, half(), scaled(e, leadpos(sum) - 1));
        b = root;
    }
    // A to 0.2 e, its correction as above, A times it to 0.1 e: 0.56 e in all.
    const number sum = a + b;
    number mean = prod(sum, half(), scaled(e, leadpos(sum) - 2));
    const number ratio = APCquot(abs(a - b), sum, 1);
    if (!ratio.iszero()) {
        const number d = quot(a - b, sum, APCquot(APCprod(ratioshare, e, -1), ratio, -1));
        const number square = prod(d, d, APCprod(squareshare, e, -1));
        const number series =
            prod(square, quarter + prod(fivesixtyfourths, square, e), APCprod(seriesshare, e, -1));
        mean = mean - prod(mean, series, scaled(e, leadpos(mean) - 1));
    }
    const number q = quot(pi(APCquot(APCprod(pishare, f, -1), lns, -1)), mean + mean,
                          APCprod(quotientshare, f, -1));
    if (m == 0)
        return q;
    const number t =
        prod(number(m), ln10(APCquot(APCprod(ln10share, f, -1), number(m < 0 ? -m : m), -1)),
             APCprod(productshare, f, -1));
    return q - t;
}

number lnguess(const number& y)
{
    static const number a(-0.02819182), b(0.529735), c(0.32196);
    return APCprod(APCprod(a, y, 0) + b, y, 0) - c;
}

number lnnewton(const number& x, const number& f)
{
    if (lnofone(x, f))
        return number();
    // 0.004 + 0.9 (0.2 + 0.007 + 0.04) + 0.1 + 0.01 < 0.34 with k ln 10, and
    // 0.004 + 0.9 (0.2 + 0.007 + 0.15) < 0.33 without: the rest of f is for
    // the error of the step before, which the last step squares.
    static const number newtonshare(0.9);        // P = 0.9 f for the last Newton step
    static const number cutshare(0.004);         // x cut at 0.004 f x: 0.004 f on ln x
    static const number expshare(0.2);           // e^L to 0.2 P y: 0.2 P on L, as e^L is near y
    static const number differenceshare(0.007);  // y - e^L to 0.007 P y: 0.007 P once divided
    static const number quotientshare(0.04);
    static const number expcap(0.1);     // the last e^L to 0.2 y min(P, 0.1)
    static const number ln10share(0.1);  // ln 10 to 0.1 f / |k|: 0.1 f on k ln 10
    static const number ln10productshare(0.01);
    static const number soloquotientshare(0.15);  // the quotient's share when no k ln 10 is added

    number P = APCprod(newtonshare, f, -1);
    // y = x / 10^k with 1 <= y < 10; ln x = ln y + k ln 10.
    number y = truncate(x, APCprod(APCprod(cutshare, f, -1), x, -1));
    std::int32_t k = leadpos(y);
    multpow10(y, -k);

    number L = lnguess(y);
    number K = APCprod(expshare, y, -1);
    number J = APCprod(differenceshare, y, -1);
    std::vector<std::int32_t> steps = ladder(leadpos(P), -1);
    for (auto g = steps.rbegin(); g != steps.rend(); ++g) {
        number I = exp(L, scaled(K, *g));
        L = L + quot(diff(y, I, scaled(J, *g)), I, scaled(quotientshare, *g));
    }
    number I = P < expcap ? exp(L, APCprod(K, P, -1)) : exp(L, APCprod(expcap, K, -1));
    if (k != 0) {
        number t =
            prod(number(k), ln10(APCquot(APCprod(ln10share, f, -1), number(k < 0 ? -k : k), -1)),
                 APCprod(ln10productshare, f, -1));
        return L + quot(diff(y, I, APCprod(J, P, -1)), I, APCprod(quotientshare, P, -1)) + t;
    }
    return L + quot(diff(y, I, APCprod(J, P, -1)), I, APCprod(soloquotientshare, P, -1));
}

number ln10(const number& f)
{
    return theln10cache().at(f, [](const number& f) {
        // 0.36 / 10 + 0.014 = 0.05 of the 1.02 f the cache allows: the rest is
        // for the error the last step squares. It starts from the table, within
        // 10^-TABLEDIGITS, which needs no step before the last down to f =
        // 10^-12790 ((10^-6400)^2 / 2 < 0.93 f). A start of a few digits
        // fell short of the ladder's first step, and every step doubled the
        // shortfall: ln 10 to 12000 digits was wrong from the 11804th.
        static const number laddertarget(0.52);  // the step before the last to 10^g, 10^2g <= 5.2 f
        static const number stepexpshare(0.7);   // e^o to 0.7 10^g: 0.07 10^g on o, e^o near 10
        static const number stepquotientshare(0.027);
        static const number expshare(0.36);  // e^o to 0.36 f: 0.036 f on o
        static const number quotientshare(0.014);
        // Newton on e^L = 10, doubling the precision at each step.
        number o(LN10DIGITS);
        const number ten(10);
        std::vector<std::int32_t> steps =
            ladder(leadpos(APCprod(laddertarget, f, -1)), 10 - TABLEDIGITS);
        for (auto g = steps.rbegin(); g != steps.rend(); ++g) {
            number l = exp(o, scaled(stepexpshare, *g));
            o = o + quot(ten - l, l, scaled(stepquotientshare, *g));
        }
        number l = exp(o, APCprod(expshare, f, -1));
        return o + quot(ten - l, l, APCprod(quotientshare, f, -1));
    });
}

void clearln10cache() { theln10cache().clear(); }

namespace {

// Beyond this |x| e^x is taken as e^r 10^k with x = r + k ln 10: one
// product by ln 10 where exp would square more and more times, and the
// bounds exp forms, powers of numbers just off e and 1/e, would leave the
// range of a number before e^x does.
const number& reductionstart()
{
    static const number start(100000000);
    return start;
}

// e^x of the range of a number: e^x lies in it for -1842068055.97 < x <
// 1842068074.4; beyond twice that it is no use forming k.
const number& farbeyond()
{
    static const number limit(std::int64_t{4000000000});
    return limit;
}

// e^x = e^r 10^k, r = x - k ln 10 with k = floor(x / ln 10) (or one off,
// which only moves r outside [0, ln 10) a little): |k| < 10^9, so ln 10 to
// 10^-(d+14) and k ln 10 and r to 10^-(d+5) put r within 10^-(d+4); e^r to
// d + 3 digits, 10^-(d+4) relative, and that error of r together stay
// below 10^-(d+2) of e^x, the error of e^x at d digits.
number expdecades(const number& x, std::int32_t d)
{
    if (abs(x) > farbeyond())
        throw numberexception(x.isnegative() ? "number underflow" : "number overflow");
    static const number ln10estimate(2.302585093);
    constexpr std::int32_t LN10_PLACES = 14;  // 10^9 10^-(d+14) = 10^-(d+5)
    constexpr std::int32_t REDUCTION_PLACES = 5;
    constexpr std::int32_t R_DIGITS = 3;
    const number k = floor(APCquot(x, ln10estimate, 0));
    const number g = powerof10(-d - REDUCTION_PLACES);
    const number r = diff(x, prod(k, ln10(powerof10(-d - LN10_PLACES)), g), g);
    number y = expprec(r, d + R_DIGITS);
    multpow10(y, static_cast<std::int32_t>(getint64(k)));
    return y;
}

}  // namespace

number expprec(const number& x, std::int32_t d)
{
    // |e^x - 1| < 1.1 |x| < 10^-(d+2) for |x| < 10^-(d+3): 1 is e^x to d
    // digits, also below 1, where they end at 10^-(d+2).
    if (x.iszero() || leadpos(x) < -d - 3)
        return number(1);
    if (abs(x) > reductionstart())
        return expdecades(x, d);
    static const number up(0.434295), down(0.434294);  // around log10(e)
    // L is not above log10(e^x); only its integer part is needed.
    number L = x.isnegative() ? negate(APCprod(abs(x), up, 1)) : APCprod(x, down, -1);
    const std::int64_t whole = L.expo() >= 0 ? getint64(L) : 0;  // |L| < 10^8
    return exp(x, powerof10(static_cast<std::int32_t>(whole - d - 1)));
}

number lnprec(const number& x, std::int32_t d)
{
    // The resolution two digits below the d-th of ln x, as the digit
    // wrappers take it, from a lower bound L of |ln x| (leadpos L <=
    // leadpos ln x): for x >= 10^k, k >= 1, ln x >= 2.3 k > 2 k; for
    // 2 < x < 10, ln x > ln 2 > 0.6; for 1 < x <= 2, ln x >= (x - 1) / x
    // >= (x - 1) / 2; for 1/2 < x < 1, |ln x| >= 1 - x; for x < 10^-m,
    // m >= 1, |ln x| > 2.3 m > 2 m; for 0.1 <= x <= 1/2, |ln x| > 0.6.
    const number one(1);
    std::int32_t lower;
    if (x > number(2)) {
        const std::int32_t k = leadpos(x);
        lower = k >= 1 ? leadpos(number(2 * k)) : -1;
    } else if (x > one) {
        lower = leadpos(x - one) - 1;
    } else if (x > number(0.5)) {
        lower = leadpos(one - x);
    } else {
        const std::int32_t m = -leadpos(x) - 1;
        lower = m >= 1 ? leadpos(number(2 * m)) : -1;
    }
    return ln(x, powerof10(lower - d - 2));
}

number logprec(const number& b, const number& x, std::int32_t d)
{
    std::int32_t more = d + 8;
    return quotprec(lnprec(x, more), lnprec(b, more), more);
}

namespace {

// Digits of the integer part of an exponent t = y ln x (from ten digits of
// ln x): e^t to d digits needs t to d + 2 places after the point, so to that
// many more significant digits.
std::int32_t exponentdigits(const number& t) { return std::max(0, leadpos(t) + 1); }

// Digits beyond d with which the exponent of x^y or of a root is formed.
constexpr std::int32_t EXPONENT_GUARD = 8;

// Whether an exponent t of leadpos about `lead` (one either way), of the
// sign `negative`, leaves e^t at 1 to d digits, or fails at once with the
// side of the range e^t lies beyond: |t| >= 10^10 lies past both ends, and
// forming t or its digits would leave the range of a number first.
bool exponentisnegligible(std::int32_t lead, bool negative, std::int32_t d)
{
    constexpr std::int32_t BEYOND_LEAD = 11;  // 10^10 > 1842068075
    if (lead >= BEYOND_LEAD)
        throw numberexception(negative ? "number underflow" : "number overflow");
    return lead < -d - 5;  // |t| < 10^-(d+4)
}

}  // namespace

number powprec(const number& x, const number& y, std::int32_t d)
{
    if (y.iszero())
        return number(1);
    if (x.iszero())
        return number();
    const number l = lnprec(x, 10);
    if (l.iszero() ||
        exponentisnegligible(leadpos(y) + leadpos(l), y.isnegative() != l.isnegative(), d))
        return number(1);
    const std::int32_t more = d + EXPONENT_GUARD + exponentdigits(APCprod(y, l, 1));
    return expprec(prodprec(y, lnprec(x, more), more), d + EXPONENT_GUARD);
}

number rootprec(const number& x, const number& n, std::int32_t d)
{
    if (n.iszero())
        throw numberexception("quot:division by zero");
    if (x.iszero())
        return number();
    const number l = lnprec(x, 10);
    if (l.iszero() ||
        exponentisnegligible(leadpos(l) - leadpos(n), n.isnegative() != l.isnegative(), d))
        return number(1);
    const std::int32_t more = d + EXPONENT_GUARD + exponentdigits(APCquot(l, n, 1));
    return expprec(quotprec(lnprec(x, more), n, more), d + EXPONENT_GUARD);
}

}  // namespace num
