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
