/*
 * Stand-in kernels for the tests, written from the library's documented arithmetic:
 * df1 q15: 1.15 products summed exactly in 64 bits (34.30), shifted right by
 *   15 - postShift, the shift's low 32 bits saturated to 1.15;
 * df1 q31: 1.31 products summed in a 64-bit accumulator that wraps, shifted right by
 *   31 - postShift and truncated to its low 32 bits;
 * df2T f32: y = b0 x + d1; d1 = b1 x + d2 + a1 y; d2 = b2 x + a2 y, in that order.
 * Shifts of negative numbers are floors, done here as divisions rounded downwards.
 */
#include "arm_math.h"

#include <string.h>

static int64_t floor_shift(int64_t v, int bits) {
    const int64_t d = (int64_t)1 << bits;
    int64_t q = v / d;
    if (v % d != 0 && v < 0)
        q -= 1;
    return q;
}

/* The low 32 bits as a signed number, by arithmetic on the value. */
static int64_t low32(int64_t v) {
    const int64_t m = (int64_t)1 << 32;
    int64_t r = v % m;
    if (r < 0)
        r += m;
    return r >= ((int64_t)1 << 31) ? r - m : r;
}

void arm_biquad_cascade_df1_init_q15(arm_biquad_casd_df1_inst_q15* S, uint8_t numStages,
                                     const q15_t* pCoeffs, q15_t* pState, int8_t postShift) {
    S->numStages = (int8_t)numStages;
    S->pCoeffs = pCoeffs;
    S->pState = pState;
    S->postShift = postShift;
    memset(pState, 0, 4u * numStages * sizeof(q15_t));
}

void arm_biquad_cascade_df1_q15(const arm_biquad_casd_df1_inst_q15* S, const q15_t* pSrc,
                                q15_t* pDst, uint32_t blockSize) {
    int stage;
    for (stage = 0; stage < S->numStages; ++stage) {
        const q15_t* c = S->pCoeffs + 6 * stage; /* b0, 0, b1, b2, a1, a2 */
        q15_t* st = S->pState + 4 * stage;
        uint32_t n;
        for (n = 0; n < blockSize; ++n) {
            const int64_t x = stage == 0 ? pSrc[n] : pDst[n];
            const int64_t acc = c[0] * x + c[2] * (int64_t)st[0] + c[3] * (int64_t)st[1] +
                                c[4] * (int64_t)st[2] + c[5] * (int64_t)st[3];
            int64_t y = low32(floor_shift(acc, 15 - S->postShift));
            if (y > 32767)
                y = 32767;
            if (y < -32768)
                y = -32768;
            st[1] = st[0];
            st[0] = (q15_t)x;
            st[3] = st[2];
            st[2] = (q15_t)y;
            pDst[n] = (q15_t)y;
        }
    }
}

void arm_biquad_cascade_df1_init_q31(arm_biquad_casd_df1_inst_q31* S, uint8_t numStages,
                                     const q31_t* pCoeffs, q31_t* pState, int8_t postShift) {
    S->numStages = numStages;
    S->pCoeffs = pCoeffs;
    S->pState = pState;
    S->postShift = (uint8_t)postShift;
    memset(pState, 0, 4u * numStages * sizeof(q31_t));
}

/* a + b modulo 2^64, in signed values (unsigned sums wrap by definition). */
static int64_t wrap_add(int64_t a, int64_t b) {
    const uint64_t u = (uint64_t)a + (uint64_t)b;
    return u >= ((uint64_t)1 << 63) ? -(int64_t)(~u) - 1 : (int64_t)u;
}

void arm_biquad_cascade_df1_q31(const arm_biquad_casd_df1_inst_q31* S, const q31_t* pSrc,
                                q31_t* pDst, uint32_t blockSize) {
    uint32_t stage;
    for (stage = 0; stage < S->numStages; ++stage) {
        const q31_t* c = S->pCoeffs + 5 * stage; /* b0, b1, b2, a1, a2 */
        q31_t* st = S->pState + 4 * stage;
        uint32_t n;
        for (n = 0; n < blockSize; ++n) {
            const int64_t x = stage == 0 ? pSrc[n] : pDst[n];
            int64_t acc = c[0] * x;
            acc = wrap_add(acc, c[1] * (int64_t)st[0]);
            acc = wrap_add(acc, c[2] * (int64_t)st[1]);
            acc = wrap_add(acc, c[3] * (int64_t)st[2]);
            acc = wrap_add(acc, c[4] * (int64_t)st[3]);
            {
                const int64_t y = low32(floor_shift(acc, 31 - S->postShift));
                st[1] = st[0];
                st[0] = (q31_t)x;
                st[3] = st[2];
                st[2] = (q31_t)y;
                pDst[n] = (q31_t)y;
            }
        }
    }
}

void arm_biquad_cascade_df2T_init_f32(arm_biquad_cascade_df2T_instance_f32* S,
                                      uint8_t numStages, const float32_t* pCoeffs,
                                      float32_t* pState) {
    S->numStages = numStages;
    S->pCoeffs = pCoeffs;
    S->pState = pState;
    memset(pState, 0, 2u * numStages * sizeof(float32_t));
}

void arm_biquad_cascade_df2T_f32(const arm_biquad_cascade_df2T_instance_f32* S,
                                 const float32_t* pSrc, float32_t* pDst, uint32_t blockSize) {
    unsigned stage;
    for (stage = 0; stage < S->numStages; ++stage) {
        const float32_t* c = S->pCoeffs + 5 * stage; /* b0, b1, b2, a1, a2 */
        float32_t* d = S->pState + 2 * stage;
        uint32_t n;
        for (n = 0; n < blockSize; ++n) {
            const float32_t x = stage == 0 ? pSrc[n] : pDst[n];
            volatile float32_t t;
            float32_t y, d1, d2;
            t = c[0] * x;
            y = t + d[0];
            t = c[1] * x;
            d1 = t + d[1];
            t = c[3] * y;
            d1 = d1 + t;
            t = c[2] * x;
            d2 = t;
            t = c[4] * y;
            d2 = d2 + t;
            d[0] = d1;
            d[1] = d2;
            pDst[n] = y;
        }
    }
}

/*
 * Lattice-ladder, as the library documents it: fN = x; for m = N .. 1
 * fm-1 = fm - km gm-1(n-1), gm = km fm-1 + gm-1(n-1); y = vN gN + ... + v1 g1 + v0 f0.
 * pkCoeffs hold kN .. k1, pvCoeffs vN .. v0. The state is a window sliding one place a
 * sample over numStages + blockSize values: at sample t, w = pState + t holds
 * g_{N-1}(n-1) .. g_0(n-1) and receives g_N(n) .. g_1(n), f_0(n); after the block the
 * last numStages values go back to the front.
 * q15: each product shifted right by 15 (a floor), f and g saturated to 16 bits; the
 *   ladder's products summed exactly, the sum floored by 2^15, its low 32 bits saturated.
 * q31: each product floored by 2^31, its low 32 bits added with saturation to 32 bits;
 *   the ladder's products summed modulo 2^64, floored by 2^31, the low 32 bits kept.
 * f32: y accumulated from 0 in the order of the equations, each operation rounded.
 */
static int64_t clamp_bits(int64_t v, int bits) {
    const int64_t top = ((int64_t)1 << (bits - 1)) - 1;
    if (v > top)
        return top;
    if (v < -top - 1)
        return -top - 1;
    return v;
}

void arm_iir_lattice_init_q15(arm_iir_lattice_instance_q15* S, uint16_t numStages, q15_t* pkCoeffs,
                              q15_t* pvCoeffs, q15_t* pState, uint32_t blockSize) {
    S->numStages = numStages;
    S->pkCoeffs = pkCoeffs;
    S->pvCoeffs = pvCoeffs;
    S->pState = pState;
    memset(pState, 0, ((size_t)numStages + blockSize) * sizeof(q15_t));
}

void arm_iir_lattice_q15(const arm_iir_lattice_instance_q15* S, const q15_t* pSrc, q15_t* pDst,
                         uint32_t blockSize) {
    const unsigned n = S->numStages;
    uint32_t t;
    unsigned i;
    for (t = 0; t < blockSize; ++t) {
        q15_t* w = S->pState + t;
        int64_t f = pSrc[t], acc = 0;
        for (i = 0; i < n; ++i) {
            const int64_t k = S->pkCoeffs[i], old = w[i];
            int64_t g;
            f = clamp_bits(f - floor_shift(k * old, 15), 16);
            g = clamp_bits(floor_shift(k * f, 15) + old, 16);
            acc += g * S->pvCoeffs[i];
            w[i] = (q15_t)g;
        }
        acc += f * S->pvCoeffs[n];
        w[n] = (q15_t)f;
        pDst[t] = (q15_t)clamp_bits(low32(floor_shift(acc, 15)), 16);
    }
    for (i = 0; i < n; ++i)
        S->pState[i] = S->pState[blockSize + i];
}

void arm_iir_lattice_init_q31(arm_iir_lattice_instance_q31* S, uint16_t numStages, q31_t* pkCoeffs,
                              q31_t* pvCoeffs, q31_t* pState, uint32_t blockSize) {
    S->numStages = numStages;
    S->pkCoeffs = pkCoeffs;
    S->pvCoeffs = pvCoeffs;
    S->pState = pState;
    memset(pState, 0, ((size_t)numStages + blockSize) * sizeof(q31_t));
}

void arm_iir_lattice_q31(const arm_iir_lattice_instance_q31* S, const q31_t* pSrc, q31_t* pDst,
                         uint32_t blockSize) {
    const unsigned n = S->numStages;
    uint32_t t;
    unsigned i;
    for (t = 0; t < blockSize; ++t) {
        q31_t* w = S->pState + t;
        int64_t f = pSrc[t], acc = 0;
        for (i = 0; i < n; ++i) {
            const int64_t k = S->pkCoeffs[i], old = w[i];
            int64_t g;
            f = clamp_bits(f - low32(floor_shift(k * old, 31)), 32);
            g = clamp_bits(old + low32(floor_shift(k * f, 31)), 32);
            acc = wrap_add(acc, g * S->pvCoeffs[i]);
            w[i] = (q31_t)g;
        }
        acc = wrap_add(acc, f * S->pvCoeffs[n]);
        w[n] = (q31_t)f;
        pDst[t] = (q31_t)low32(floor_shift(acc, 31));
    }
    for (i = 0; i < n; ++i)
        S->pState[i] = S->pState[blockSize + i];
}

void arm_iir_lattice_init_f32(arm_iir_lattice_instance_f32* S, uint16_t numStages,
                              float32_t* pkCoeffs, float32_t* pvCoeffs, float32_t* pState,
                              uint32_t blockSize) {
    S->numStages = numStages;
    S->pkCoeffs = pkCoeffs;
    S->pvCoeffs = pvCoeffs;
    S->pState = pState;
    memset(pState, 0, ((size_t)numStages + blockSize) * sizeof(float32_t));
}

void arm_iir_lattice_f32(const arm_iir_lattice_instance_f32* S, const float32_t* pSrc,
                         float32_t* pDst, uint32_t blockSize) {
    const unsigned n = S->numStages;
    uint32_t t;
    unsigned i;
    for (t = 0; t < blockSize; ++t) {
        float32_t* w = S->pState + t;
        volatile float32_t p;
        float32_t f = pSrc[t], acc = 0.0f;
        for (i = 0; i < n; ++i) {
            const float32_t old = w[i];
            float32_t g;
            p = S->pkCoeffs[i] * old;
            f = f - p;
            p = f * S->pkCoeffs[i];
            g = p + old;
            p = g * S->pvCoeffs[i];
            acc = acc + p;
            w[i] = g;
        }
        p = f * S->pvCoeffs[n];
        acc = acc + p;
        w[n] = f;
        pDst[t] = acc;
    }
    for (i = 0; i < n; ++i)
        S->pState[i] = S->pState[blockSize + i];
}

/*
 * FIR, from the documented behaviour: the state holds the last numTaps - 1 samples, then
 * the block's new ones (numTaps + blockSize - 1 in all); the coefficients are in
 * time-reversed order, b[numTaps-1] first, and output n is the sum of
 * pCoeffs[k] * state[n + k] from the oldest sample; after the block the last numTaps - 1
 * samples move to the front.
 * q15: 2.30 products summed exactly in 64 bits (34.30), shifted right by 15, the low 32
 *   bits saturated to 1.15; numTaps must be even and at least 4;
 * q31: 2.62 products summed in a 64-bit accumulator that wraps, shifted right by 31 and
 *   truncated to the low 32 bits;
 * f32: acc = 0, then acc += state * coefficient, each operation rounded to float.
 */
arm_status arm_fir_init_q15(arm_fir_instance_q15* S, uint16_t numTaps, const q15_t* pCoeffs,
                            q15_t* pState, uint32_t blockSize) {
    if (numTaps < 4 || numTaps % 2 != 0)
        return ARM_MATH_ARGUMENT_ERROR;
    S->numTaps = numTaps;
    S->pCoeffs = pCoeffs;
    S->pState = pState;
    memset(pState, 0, (numTaps + blockSize - 1u) * sizeof(q15_t));
    return ARM_MATH_SUCCESS;
}

void arm_fir_q15(const arm_fir_instance_q15* S, const q15_t* pSrc, q15_t* pDst,
                 uint32_t blockSize) {
    const uint32_t kept = S->numTaps - 1u;
    uint32_t n, k;
    for (n = 0; n < blockSize; ++n)
        S->pState[kept + n] = pSrc[n];
    for (n = 0; n < blockSize; ++n) {
        int64_t acc = 0, y;
        for (k = 0; k < S->numTaps; ++k)
            acc += (int64_t)S->pCoeffs[k] * S->pState[n + k];
        y = low32(floor_shift(acc, 15));
        if (y > 32767)
            y = 32767;
        if (y < -32768)
            y = -32768;
        pDst[n] = (q15_t)y;
    }
    memmove(S->pState, S->pState + blockSize, kept * sizeof(q15_t));
}

void arm_fir_init_q31(arm_fir_instance_q31* S, uint16_t numTaps, const q31_t* pCoeffs,
                      q31_t* pState, uint32_t blockSize) {
    S->numTaps = numTaps;
    S->pCoeffs = pCoeffs;
    S->pState = pState;
    memset(pState, 0, (numTaps + blockSize - 1u) * sizeof(q31_t));
}

/* The unsigned sum's bits as a signed 64-bit number, by arithmetic on the value. */
static int64_t signed64(uint64_t v) {
    if (v <= (uint64_t)INT64_MAX)
        return (int64_t)v;
    return -(int64_t)(~v) - 1;
}

void arm_fir_q31(const arm_fir_instance_q31* S, const q31_t* pSrc, q31_t* pDst,
                 uint32_t blockSize) {
    const uint32_t kept = S->numTaps - 1u;
    uint32_t n, k;
    for (n = 0; n < blockSize; ++n)
        S->pState[kept + n] = pSrc[n];
    for (n = 0; n < blockSize; ++n) {
        uint64_t acc = 0; /* wraps modulo 2^64 */
        for (k = 0; k < S->numTaps; ++k)
            acc += (uint64_t)((int64_t)S->pCoeffs[k] * S->pState[n + k]);
        pDst[n] = (q31_t)low32(floor_shift(signed64(acc), 31));
    }
    memmove(S->pState, S->pState + blockSize, kept * sizeof(q31_t));
}

void arm_fir_init_f32(arm_fir_instance_f32* S, uint16_t numTaps, const float32_t* pCoeffs,
                      float32_t* pState, uint32_t blockSize) {
    S->numTaps = numTaps;
    S->pCoeffs = pCoeffs;
    S->pState = pState;
    memset(pState, 0, (numTaps + blockSize - 1u) * sizeof(float32_t));
}

void arm_fir_f32(const arm_fir_instance_f32* S, const float32_t* pSrc, float32_t* pDst,
                 uint32_t blockSize) {
    const uint32_t kept = S->numTaps - 1u;
    uint32_t n, k;
    for (n = 0; n < blockSize; ++n)
        S->pState[kept + n] = pSrc[n];
    for (n = 0; n < blockSize; ++n) {
        float32_t acc = 0.0f;
        for (k = 0; k < S->numTaps; ++k) {
            volatile float32_t p = S->pState[n + k] * S->pCoeffs[k];
            acc += p;
        }
        pDst[n] = acc;
    }
    memmove(S->pState, S->pState + blockSize, kept * sizeof(float32_t));
}
