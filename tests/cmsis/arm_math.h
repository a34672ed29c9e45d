/*
 * Stand-in declarations of the CMSIS-DSP types, biquad, lattice and FIR functions the
 * exported code uses, as the library documents them, for building the export where the
 * library is absent. The types and prototypes are those of the library's filtering functions.
 */
#ifndef STANDIN_ARM_MATH_H
#define STANDIN_ARM_MATH_H

#include <stdint.h>

typedef int16_t q15_t;
typedef int32_t q31_t;
typedef int64_t q63_t;
typedef float float32_t;

typedef struct {
    int8_t numStages;
    q15_t* pState;
    const q15_t* pCoeffs;
    int8_t postShift;
} arm_biquad_casd_df1_inst_q15;

typedef struct {
    uint32_t numStages;
    q31_t* pState;
    const q31_t* pCoeffs;
    uint8_t postShift;
} arm_biquad_casd_df1_inst_q31;

typedef struct {
    uint8_t numStages;
    float32_t* pState;
    const float32_t* pCoeffs;
} arm_biquad_cascade_df2T_instance_f32;

void arm_biquad_cascade_df1_init_q15(arm_biquad_casd_df1_inst_q15* S, uint8_t numStages,
                                     const q15_t* pCoeffs, q15_t* pState, int8_t postShift);
void arm_biquad_cascade_df1_q15(const arm_biquad_casd_df1_inst_q15* S, const q15_t* pSrc,
                                q15_t* pDst, uint32_t blockSize);
void arm_biquad_cascade_df1_init_q31(arm_biquad_casd_df1_inst_q31* S, uint8_t numStages,
                                     const q31_t* pCoeffs, q31_t* pState, int8_t postShift);
void arm_biquad_cascade_df1_q31(const arm_biquad_casd_df1_inst_q31* S, const q31_t* pSrc,
                                q31_t* pDst, uint32_t blockSize);
void arm_biquad_cascade_df2T_init_f32(arm_biquad_cascade_df2T_instance_f32* S,
                                      uint8_t numStages, const float32_t* pCoeffs,
                                      float32_t* pState);
void arm_biquad_cascade_df2T_f32(const arm_biquad_cascade_df2T_instance_f32* S,
                                 const float32_t* pSrc, float32_t* pDst, uint32_t blockSize);

typedef struct {
    uint16_t numStages;
    q15_t* pState;
    q15_t* pkCoeffs;
    q15_t* pvCoeffs;
} arm_iir_lattice_instance_q15;

typedef struct {
    uint16_t numStages;
    q31_t* pState;
    q31_t* pkCoeffs;
    q31_t* pvCoeffs;
} arm_iir_lattice_instance_q31;

typedef struct {
    uint16_t numStages;
    float32_t* pState;
    float32_t* pkCoeffs;
    float32_t* pvCoeffs;
} arm_iir_lattice_instance_f32;

void arm_iir_lattice_init_q15(arm_iir_lattice_instance_q15* S, uint16_t numStages, q15_t* pkCoeffs,
                              q15_t* pvCoeffs, q15_t* pState, uint32_t blockSize);
void arm_iir_lattice_q15(const arm_iir_lattice_instance_q15* S, const q15_t* pSrc, q15_t* pDst,
                         uint32_t blockSize);
void arm_iir_lattice_init_q31(arm_iir_lattice_instance_q31* S, uint16_t numStages, q31_t* pkCoeffs,
                              q31_t* pvCoeffs, q31_t* pState, uint32_t blockSize);
void arm_iir_lattice_q31(const arm_iir_lattice_instance_q31* S, const q31_t* pSrc, q31_t* pDst,
                         uint32_t blockSize);
void arm_iir_lattice_init_f32(arm_iir_lattice_instance_f32* S, uint16_t numStages,
                              float32_t* pkCoeffs, float32_t* pvCoeffs, float32_t* pState,
                              uint32_t blockSize);
void arm_iir_lattice_f32(const arm_iir_lattice_instance_f32* S, const float32_t* pSrc,
                         float32_t* pDst, uint32_t blockSize);

typedef enum { ARM_MATH_SUCCESS = 0, ARM_MATH_ARGUMENT_ERROR = -1 } arm_status;

typedef struct {
    uint16_t numTaps;
    q15_t* pState;
    const q15_t* pCoeffs;
} arm_fir_instance_q15;

typedef struct {
    uint16_t numTaps;
    q31_t* pState;
    const q31_t* pCoeffs;
} arm_fir_instance_q31;

typedef struct {
    uint16_t numTaps;
    float32_t* pState;
    const float32_t* pCoeffs;
} arm_fir_instance_f32;

arm_status arm_fir_init_q15(arm_fir_instance_q15* S, uint16_t numTaps, const q15_t* pCoeffs,
                            q15_t* pState, uint32_t blockSize);
void arm_fir_q15(const arm_fir_instance_q15* S, const q15_t* pSrc, q15_t* pDst, uint32_t blockSize);
void arm_fir_init_q31(arm_fir_instance_q31* S, uint16_t numTaps, const q31_t* pCoeffs,
                      q31_t* pState, uint32_t blockSize);
void arm_fir_q31(const arm_fir_instance_q31* S, const q31_t* pSrc, q31_t* pDst, uint32_t blockSize);
void arm_fir_init_f32(arm_fir_instance_f32* S, uint16_t numTaps, const float32_t* pCoeffs,
                      float32_t* pState, uint32_t blockSize);
void arm_fir_f32(const arm_fir_instance_f32* S, const float32_t* pSrc, float32_t* pDst,
                 uint32_t blockSize);

#endif
