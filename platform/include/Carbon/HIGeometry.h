// Points, sizes and rectangles of the view system, in points, floating point.
#pragma once

#include <MacTypes.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef double CGFloat;

typedef struct CGPoint {
    CGFloat x;
    CGFloat y;
} CGPoint;

typedef struct CGSize {
    CGFloat width;
    CGFloat height;
} CGSize;

typedef struct CGRect {
    CGPoint origin;
    CGSize size;
} CGRect;

typedef CGPoint HIPoint;
typedef CGSize HISize;
typedef CGRect HIRect;

#ifdef __cplusplus
}
#endif
