#include "core/Decimal.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

using U128 = unsigned __int128;
using Raw = Decimal::Raw;

constexpr U128 pow10(int n)
{
    U128 p = 1;
    for (int i = 0; i < n; ++i)
        p *= 10;
    return p;
}

struct Pow10Table {
    U128 v[39];
    constexpr Pow10Table() : v()
    {
        for (int i = 0; i <= 38; ++i)
            v[i] = pow10(i);
    }
};
constexpr Pow10Table kPow10;

// |raw| stays below 10^38: values below 10^20 in magnitude, a bound that is easy to state.
constexpr U128 kMaxMagnitude = pow10(38) - 1;
constexpr U128 kOne = pow10(Decimal::Scale);

U128 magnitude(Raw r) { return r < 0 ? U128(0) - U128(r) : U128(r); }

std::optional<Decimal> signedValue(U128 m, bool negative)
{
    if (m > kMaxMagnitude)
        return std::nullopt;
    const Raw r = Raw(m);
    return Decimal::fromRaw(negative ? -r : r);
}

// Whether a quotient q with remainder r of a division by d rounds up.
bool roundsUp(U128 q, U128 r, U128 d, Decimal::Rounding rounding)
{
    if (r == 0)
        return false;
    const U128 twice = r << 1;   // r < d < 2^127: no overflow
    if (twice != d)
        return twice > d;
    return rounding == Decimal::Rounding::HalfAwayFromZero || (q & 1) != 0;
}

struct U256 {
    U128 hi = 0, lo = 0;
};

U256 multiply128(U128 a, U128 b)
{
    const uint64_t a0 = uint64_t(a), a1 = uint64_t(a >> 64);
    const uint64_t b0 = uint64_t(b), b1 = uint64_t(b >> 64);
    const U128 p00 = U128(a0) * b0;
    const U128 p01 = U128(a0) * b1;
    const U128 p10 = U128(a1) * b0;
    const U128 p11 = U128(a1) * b1;
    const U128 middle = (p00 >> 64) + uint64_t(p01) + uint64_t(p10);
    U256 out;
    out.lo = (middle << 64) | uint64_t(p00);
    out.hi = p11 + (p01 >> 64) + (p10 >> 64) + (middle >> 64);
    return out;
}

// Long division in base 2^32 (Knuth's algorithm D): n / d with d != 0. False when the quotient
// does not fit 128 bits.
bool divide256(const U256& n, U128 d, U128* quotient, U128* remainder)
{
    if (n.hi == 0) {
        *quotient = n.lo / d;
        *remainder = n.lo % d;
        return true;
    }
    if (n.hi >= d)
        return false;   // the quotient needs more than 128 bits
    uint32_t u[8], v[4];
    for (int i = 0; i < 4; ++i) {
        u[i] = uint32_t(n.lo >> (32 * i));
        u[i + 4] = uint32_t(n.hi >> (32 * i));
        v[i] = uint32_t(d >> (32 * i));
    }
    int m = 8;
    while (m > 0 && u[m - 1] == 0)
        --m;
    int k = 4;
    while (k > 0 && v[k - 1] == 0)
        --k;
    uint32_t q[8] = {};
    uint32_t r[4] = {};
    if (k == 1) {
        uint64_t rest = 0;
        for (int j = m - 1; j >= 0; --j) {
            const uint64_t t = (rest << 32) | u[j];
            q[j] = uint32_t(t / v[0]);
            rest = t - uint64_t(q[j]) * v[0];
        }
        r[0] = uint32_t(rest);
    } else {
        const int s = __builtin_clz(v[k - 1]);
        uint32_t vn[4], un[9];
        for (int i = k - 1; i > 0; --i)
            vn[i] = (v[i] << s) | uint32_t(uint64_t(v[i - 1]) >> (32 - s));
        vn[0] = v[0] << s;
        un[m] = uint32_t(uint64_t(u[m - 1]) >> (32 - s));
        for (int i = m - 1; i > 0; --i)
            un[i] = (u[i] << s) | uint32_t(uint64_t(u[i - 1]) >> (32 - s));
        un[0] = u[0] << s;
        constexpr uint64_t base = uint64_t(1) << 32;
        for (int j = m - k; j >= 0; --j) {
            const uint64_t top = (uint64_t(un[j + k]) << 32) | un[j + k - 1];
            uint64_t qhat = top / vn[k - 1];
            uint64_t rhat = top - qhat * vn[k - 1];
            while (qhat >= base || qhat * vn[k - 2] > ((rhat << 32) | un[j + k - 2])) {
                --qhat;
                rhat += vn[k - 1];
                if (rhat >= base)
                    break;
            }
            int64_t borrow = 0;
            int64_t t = 0;
            for (int i = 0; i < k; ++i) {
                const uint64_t p = qhat * vn[i];
                t = int64_t(un[i + j]) - borrow - int64_t(p & 0xFFFFFFFFu);
                un[i + j] = uint32_t(t);
                borrow = int64_t(p >> 32) - (t >> 32);
            }
            t = int64_t(un[j + k]) - borrow;
            un[j + k] = uint32_t(t);
            q[j] = uint32_t(qhat);
            if (t < 0) {
                --q[j];
                uint64_t carry = 0;
                for (int i = 0; i < k; ++i) {
                    const uint64_t sum = uint64_t(un[i + j]) + vn[i] + carry;
                    un[i + j] = uint32_t(sum);
                    carry = sum >> 32;
                }
                un[j + k] = uint32_t(uint64_t(un[j + k]) + carry);
            }
        }
        for (int i = 0; i < k - 1; ++i)
            r[i] = (un[i] >> s) | uint32_t(uint64_t(un[i + 1]) << (32 - s));
        r[k - 1] = un[k - 1] >> s;
    }
    for (int i = 4; i < 8; ++i)
        if (q[i] != 0)
            return false;
    U128 qq = 0, rr = 0;
    for (int i = 3; i >= 0; --i) {
        qq = (qq << 32) | q[i];
        rr = (rr << 32) | r[i];
    }
    *quotient = qq;
    *remainder = rr;
    return true;
}

// n / d rounded, then scaled back by 10^(18 - decimals).
std::optional<Decimal> roundedQuotient(const U256& n, U128 d, int decimals, bool negative,
                                       Decimal::Rounding rounding)
{
    U128 q, r;
    if (!divide256(n, d, &q, &r))
        return std::nullopt;
    if (roundsUp(q, r, d, rounding))
        ++q;
    const U128 unit = kPow10.v[Decimal::Scale - decimals];
    if (q > kMaxMagnitude / unit)
        return std::nullopt;
    return signedValue(q * unit, negative);
}

int clampDecimals(int decimals) { return decimals < 0 ? 0 : decimals > Decimal::Scale ? Decimal::Scale : decimals; }

// Decimal digits of m, at least `minDigits` of them (zeros in front).
QString digitsOf(U128 m, int minDigits = 1)
{
    char buf[64];
    int n = 0;
    do {
        buf[n++] = char('0' + int(m % 10));
        m /= 10;
    } while (m != 0);
    while (n < minDigits)
        buf[n++] = '0';
    QString out(n, Qt::Uninitialized);
    for (int i = 0; i < n; ++i)
        out[i] = QLatin1Char(buf[n - 1 - i]);
    return out;
}

// q units of 10^-decimals in fixed notation; a value that rounded to zero has no sign.
QString fixedText(U128 q, int decimals, bool negative)
{
    QString out = negative && q != 0 ? QStringLiteral("-") : QString();
    const U128 fractionUnit = kPow10.v[decimals];
    out += digitsOf(q / fractionUnit);
    if (decimals > 0)
        out += QLatin1Char('.') + digitsOf(q % fractionUnit, decimals);
    return out;
}

} // namespace

std::optional<Decimal> Decimal::parse(QStringView text)
{
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
    }
    U128 whole = 0;
    U128 fraction = 0;
    int fractionDigits = 0;
    int trailingZeros = 0;   // zeros past the 18th decimal change nothing
    bool point = false;
    bool digits = false;
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'.') {
            if (point)
                return std::nullopt;
            point = true;
            continue;
        }
        if (c < u'0' || c > u'9')
            return std::nullopt;
        digits = true;
        const int digit = c.unicode() - u'0';
        if (!point) {
            whole = whole * 10 + digit;
            if (whole > kMaxMagnitude / kOne)
                return std::nullopt;
        } else if (fractionDigits < Scale) {
            fraction = fraction * 10 + digit;
            ++fractionDigits;
        } else if (digit != 0) {
            return std::nullopt;   // more decimals than the program keeps: refused, never cut
        } else {
            ++trailingZeros;
        }
    }
    if (!digits)
        return std::nullopt;
    const U128 m = whole * kOne + fraction * kPow10.v[Scale - fractionDigits];
    return signedValue(m, negative);
}

std::optional<Decimal> Decimal::fromDoubleText(double value, int* decimals)
{
    if (!std::isfinite(value))
        return std::nullopt;
    const bool negative = std::signbit(value);
    const double a = std::fabs(value);
    if (a == 0) {
        if (decimals)
            *decimals = 0;
        return Decimal();
    }
    // The common values (whole numbers, a few decimals) without text: the fewest decimals k at
    // which a whole m gives back the double as m / 10^k. Below 10^15 at most one m can, so that
    // m is what the shortest text of the double spells.
    constexpr double kFastBound = 1e15;
    double scale = 1;
    for (int k = 0; k <= Scale && a * scale < kFastBound; ++k, scale *= 10) {
        const double x = a * scale;
        const double m = std::nearbyint(x);
        if (m / scale == a) {
            if (decimals)
                *decimals = k;
            return signedValue(U128(uint64_t(m)) * kPow10.v[Scale - k], negative);
        }
    }
    // The shortest text that reads back as the double: digits d0.d1d2... and an exponent.
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, a, std::chars_format::scientific);
    const char* e = static_cast<const char*>(std::memchr(buf, 'e', size_t(res.ptr - buf)));
    if (!e)
        return std::nullopt;
    U128 mantissa = 0;
    int count = 0;
    for (const char* p = buf; p < e; ++p) {
        if (*p == '.')
            continue;
        mantissa = mantissa * 10 + U128(*p - '0');
        ++count;
    }
    int exponent = 0;
    const char* digitsStart = e + 1;
    if (digitsStart < res.ptr && *digitsStart == '+')
        ++digitsStart;   // from_chars takes a minus, not a plus
    if (std::from_chars(digitsStart, res.ptr, exponent).ec != std::errc())
        return std::nullopt;
    // value = mantissa * 10^(exponent - count + 1)
    int fractionDigits = count - 1 - exponent;
    while (fractionDigits > 0 && mantissa % 10 == 0) {
        mantissa /= 10;
        --fractionDigits;
    }
    if (fractionDigits < 0) {
        const int shift = Scale - fractionDigits;
        if (shift > 38)
            return std::nullopt;
        const U128 unit = kPow10.v[shift];
        if (mantissa > kMaxMagnitude / unit)
            return std::nullopt;
        if (decimals)
            *decimals = 0;
        return signedValue(mantissa * unit, negative);
    }
    if (fractionDigits <= Scale) {
        if (decimals)
            *decimals = fractionDigits;
        return signedValue(mantissa * kPow10.v[Scale - fractionDigits], negative);
    }
    // More decimals than kept: halves to even, so no direction is favoured.
    const int drop = fractionDigits - Scale;
    if (drop > 38) {
        if (decimals)
            *decimals = 0;
        return Decimal();
    }
    const U128 unit = kPow10.v[drop];
    U128 q = mantissa / unit;
    const U128 r = mantissa % unit;
    if (roundsUp(q, r, unit, Rounding::HalfEven))
        ++q;
    if (decimals)
        *decimals = Scale;
    return signedValue(q, negative);
}

double Decimal::toDouble() const
{
    // A whole number below 2^53, nearly every sum, is a double as it is.
    if (m_raw % One == 0) {
        const Raw whole = m_raw / One;
        if (whole > -(Raw(1) << 53) && whole < (Raw(1) << 53))
            return double(qint64(whole));
    }
    // Any other through the text, so the double is the one nearest to the decimal value.
    const QString text = toString();
    return text.toDouble();
}

QString Decimal::toString() const
{
    const U128 m = magnitude(m_raw);
    QString out = m_raw < 0 ? QStringLiteral("-") : QString();
    out += digitsOf(m / kOne);
    U128 fraction = m % kOne;
    if (fraction != 0) {
        int n = Scale;
        while (fraction % 10 == 0) {
            fraction /= 10;
            --n;
        }
        out += QLatin1Char('.') + digitsOf(fraction, n);
    }
    return out;
}

QString Decimal::toString(int decimals, Rounding rounding) const
{
    decimals = clampDecimals(decimals);
    const U128 m = magnitude(m_raw);
    const U128 unit = kPow10.v[Scale - decimals];
    U128 q = m / unit;
    if (roundsUp(q, m % unit, unit, rounding))
        ++q;
    return fixedText(q, decimals, m_raw < 0);
}

std::optional<Decimal> Decimal::negated() const { return fromRaw(-m_raw); }

std::optional<Decimal> Decimal::multiply(Decimal a, Decimal b, int decimals, Rounding rounding)
{
    decimals = clampDecimals(decimals);
    const bool negative = (a.m_raw < 0) != (b.m_raw < 0);
    // raw(a) * raw(b) counts units of 10^-36.
    const U256 product = multiply128(magnitude(a.m_raw), magnitude(b.m_raw));
    return roundedQuotient(product, kPow10.v[2 * Scale - decimals], decimals, negative, rounding);
}

std::optional<Decimal> Decimal::divide(Decimal a, Decimal b, int decimals, Rounding rounding)
{
    if (b.m_raw == 0)
        return std::nullopt;
    decimals = clampDecimals(decimals);
    const bool negative = (a.m_raw < 0) != (b.m_raw < 0);
    // raw(a) * 10^decimals / raw(b) counts units of 10^-decimals.
    const U256 numerator = multiply128(magnitude(a.m_raw), kPow10.v[decimals]);
    return roundedQuotient(numerator, magnitude(b.m_raw), decimals, negative, rounding);
}

std::optional<Decimal> Decimal::rounded(int decimals, Rounding rounding) const
{
    decimals = clampDecimals(decimals);
    if (decimals == Scale)
        return *this;
    const U128 m = magnitude(m_raw);
    const U128 unit = kPow10.v[Scale - decimals];
    U128 q = m / unit;
    if (roundsUp(q, m % unit, unit, rounding))
        ++q;
    return signedValue(q * unit, m_raw < 0);
}

// --- DecimalFloat -----------------------------------------------------------------------------

namespace {

// Decimal digits of m: 1 for 0, 39 from 10^38 on.
int digitCount(U128 m)
{
    int n = 1;
    while (n < 39 && m >= kPow10.v[n])
        ++n;
    return n;
}

U256 widen(U128 m)
{
    U256 r;
    r.lo = m;
    return r;
}

// x * m in place; false when the product needs more than 256 bits.
bool multiplySmall(U256& x, uint64_t m)
{
    const U128 p0 = U128(uint64_t(x.lo)) * m;
    const U128 p1 = U128(uint64_t(x.lo >> 64)) * m + (p0 >> 64);
    const U128 p2 = U128(uint64_t(x.hi)) * m + (p1 >> 64);
    const U128 p3 = U128(uint64_t(x.hi >> 64)) * m + (p2 >> 64);
    if ((p3 >> 64) != 0)
        return false;
    x.lo = (p1 << 64) | uint64_t(p0);
    x.hi = (p3 << 64) | uint64_t(p2);
    return true;
}

bool multiplyPow10(U256& x, int k)
{
    while (k > 0) {
        const int step = k < 19 ? k : 19;
        if (!multiplySmall(x, uint64_t(kPow10.v[step])))
            return false;
        k -= step;
    }
    return true;
}

// x / m in place; the remainder.
uint64_t divideSmall(U256& x, uint64_t m)
{
    uint64_t limbs[4] = {uint64_t(x.hi >> 64), uint64_t(x.hi), uint64_t(x.lo >> 64), uint64_t(x.lo)};
    U128 r = 0;
    for (uint64_t& limb : limbs) {
        const U128 t = (r << 64) | limb;
        limb = uint64_t(t / m);
        r = t % m;
    }
    x.hi = (U128(limbs[0]) << 64) | limbs[1];
    x.lo = (U128(limbs[2]) << 64) | limbs[3];
    return uint64_t(r);
}

bool lessThan(const U256& a, const U256& b) { return a.hi != b.hi ? a.hi < b.hi : a.lo < b.lo; }

U256 plus(const U256& a, const U256& b)   // the caller keeps the sum below 2^256
{
    U256 r;
    r.lo = a.lo + b.lo;
    r.hi = a.hi + b.hi + (r.lo < a.lo ? 1 : 0);
    return r;
}

U256 minus(const U256& a, const U256& b)   // a >= b
{
    U256 r;
    r.lo = a.lo - b.lo;
    r.hi = a.hi - b.hi - (a.lo < b.lo ? 1 : 0);
    return r;
}

// m / 10^k rounded, halves away from zero.
U128 dropDigits(U128 m, int k)
{
    if (k <= 0)
        return m;
    if (k > 38)
        return 0;   // m < 10^39 is below half of 10^k
    const U128 unit = kPow10.v[k];
    U128 q = m / unit;
    if (roundsUp(q, m % unit, unit, Decimal::Rounding::HalfAwayFromZero))
        ++q;
    return q;
}

} // namespace

namespace {

// m * 10^exponent cut to 38 digits (halves away from zero, from the last digit dropped: every
// digit dropped before it only decides halves, and a half rounds up either way), trailing zeros
// taken into the exponent, as (signed coefficient, exponent). Nothing when the magnitude
// reaches 10^20.
std::optional<std::pair<Raw, int>> normalized(U256 m, int exponent, bool negative)
{
    int last = 0;
    while (m.hi != 0 || m.lo > kMaxMagnitude) {
        last = int(divideSmall(m, 10));
        ++exponent;
    }
    U128 c = m.lo;
    if (last >= 5 && ++c > kMaxMagnitude) {
        c /= 10;
        ++exponent;
    }
    if (c == 0)
        return std::pair<Raw, int>(0, 0);
    while (c % 10 == 0) {
        c /= 10;
        ++exponent;
    }
    if (digitCount(c) + exponent > 20)
        return std::nullopt;
    return std::pair<Raw, int>(negative ? -Raw(c) : Raw(c), exponent);
}

} // namespace

std::optional<DecimalFloat> DecimalFloat::make(const std::optional<std::pair<Raw, int>>& parts)
{
    if (!parts)
        return std::nullopt;
    DecimalFloat f;
    f.m_coefficient = parts->first;
    f.m_exponent = parts->second;
    return f;
}

DecimalFloat DecimalFloat::fromDecimal(Decimal d)
{
    // Every Decimal has at most 38 digits and lies in the range: the value is exact.
    return *make(normalized(widen(magnitude(d.raw())), -Decimal::Scale, d.isNegative()));
}

DecimalFloat DecimalFloat::negated() const
{
    DecimalFloat f = *this;
    f.m_coefficient = -m_coefficient;
    return f;
}

namespace {

// The magnitude in units of 10^target (target >= -18), rounded, halves away from zero; below
// 10^38 for any value in the range.
U128 unitsOf(U128 coefficient, int exponent, int target)
{
    if (exponent >= target)
        return coefficient * kPow10.v[exponent - target];
    return dropDigits(coefficient, target - exponent);
}

} // namespace

QString DecimalFloat::toString(int decimals) const
{
    decimals = clampDecimals(decimals);
    return fixedText(unitsOf(magnitude(m_coefficient), m_exponent, -decimals), decimals, m_coefficient < 0);
}

Decimal DecimalFloat::toDecimal() const
{
    const Raw r = Raw(unitsOf(magnitude(m_coefficient), m_exponent, -Decimal::Scale));
    return Decimal::fromRaw(m_coefficient < 0 ? -r : r);
}

std::optional<DecimalFloat> DecimalFloat::add(DecimalFloat a, DecimalFloat b)
{
    if (a.isZero())
        return b;
    if (b.isZero())
        return a;
    if (a.m_exponent < b.m_exponent)
        std::swap(a, b);
    const U128 ma = magnitude(a.m_coefficient);
    U128 mb = magnitude(b.m_coefficient);
    int exponent = b.m_exponent;
    int shift = a.m_exponent - b.m_exponent;
    // Past 76 digits the smaller lies far below the larger's last digit that can show: it is
    // rounded there, so the aligned sum fits 256 bits.
    const int room = 76 - digitCount(ma);
    if (shift > room) {
        mb = dropDigits(mb, shift - room);
        exponent += shift - room;
        shift = room;
    }
    U256 wa = widen(ma);
    multiplyPow10(wa, shift);
    const U256 wb = widen(mb);
    const bool na = a.m_coefficient < 0, nb = b.m_coefficient < 0;
    if (na == nb)
        return make(normalized(plus(wa, wb), exponent, na));
    if (lessThan(wa, wb))
        return make(normalized(minus(wb, wa), exponent, nb));
    return make(normalized(minus(wa, wb), exponent, na));
}

std::optional<DecimalFloat> DecimalFloat::subtract(DecimalFloat a, DecimalFloat b)
{
    return add(a, b.negated());
}

std::optional<DecimalFloat> DecimalFloat::multiply(DecimalFloat a, DecimalFloat b)
{
    if (a.isZero() || b.isZero())
        return DecimalFloat();
    return make(normalized(multiply128(magnitude(a.m_coefficient), magnitude(b.m_coefficient)),
                           a.m_exponent + b.m_exponent, (a.m_coefficient < 0) != (b.m_coefficient < 0)));
}

std::optional<DecimalFloat> DecimalFloat::divide(DecimalFloat a, DecimalFloat b)
{
    if (b.isZero())
        return std::nullopt;
    if (a.isZero())
        return DecimalFloat();
    const U128 ma = magnitude(a.m_coefficient), mb = magnitude(b.m_coefficient);
    const bool negative = (a.m_coefficient < 0) != (b.m_coefficient < 0);
    // The place of the quotient's leading digit: 10^lead.
    const int da = digitCount(ma), db = digitCount(mb);
    int lead = da - db + a.m_exponent - b.m_exponent;
    if (ma * kPow10.v[38 - da] < mb * kPow10.v[38 - db])
        --lead;
    if (lead >= 20)
        return std::nullopt;
    const int target = std::min(-Decimal::Scale, lead + 1 - QuotientDigits);
    const int shift = a.m_exponent - b.m_exponent - target;
    U128 q = 0;
    if (shift >= 0) {
        U256 n = widen(ma);
        U128 r = 0;
        // Too wide a numerator, or a quotient past 128 bits, can only be a value past the range.
        if (!multiplyPow10(n, shift) || !divide256(n, mb, &q, &r))
            return std::nullopt;
        if (roundsUp(q, r, mb, Decimal::Rounding::HalfAwayFromZero))
            ++q;
    } else {
        U256 d = widen(mb);
        if (!multiplyPow10(d, -shift))
            return DecimalFloat();   // a divisor past 10^77 leaves less than a unit
        if (d.hi != 0) {
            // ma < 10^38 < d: the quotient is below 1, and a unit exactly when ma >= d/2.
            const U256 twice = plus(widen(ma), widen(ma));
            q = lessThan(twice, d) ? 0 : 1;
        } else {
            q = ma / d.lo;
            if (roundsUp(q, ma % d.lo, d.lo, Decimal::Rounding::HalfAwayFromZero))
                ++q;
        }
    }
    return make(normalized(widen(q), target, negative));
}

bool operator==(DecimalFloat a, DecimalFloat b)
{
    return a.m_coefficient == b.m_coefficient && a.m_exponent == b.m_exponent;
}
