// The Scrap Manager: the clipboard, one per user and shared by all of the user's processes. Each
// generation of the clipboard is a set of flavors in the order they were put; ClearCurrentScrap
// starts a new generation for every process at once. A ScrapRef names the generation it was taken
// on: reading through it never sees a later generation, and never a flavor half-written. ScrapRefs
// are owned by the Scrap Manager; callers never free them.
#pragma once

#include <MacTypes.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct OpaqueScrapRef* ScrapRef;
typedef FourCharCode ScrapFlavorType;
typedef UInt32 ScrapFlavorFlags;

enum {
    kScrapFlavorMaskNone = 0x00000000,
    kScrapFlavorMaskSenderOnly = 0x00000001,  // meant for the process that put it; kept, not enforced
    kScrapFlavorMaskTranslated = 0x00000002
};

enum {
    kScrapFlavorTypePicture = 'PICT',
    kScrapFlavorTypeText = 'TEXT',
    kScrapFlavorTypeUnicode = 'utxt',
    kScrapFlavorTypeSound = 'snd ',
    kScrapFlavorTypeMovie = 'moov'
};

typedef struct ScrapFlavorInfo {
    ScrapFlavorType flavorType;
    ScrapFlavorFlags flavorFlags;
} ScrapFlavorInfo;

enum {
    noScrapErr = -100,
    noTypeErr = -102,
    internalScrapErr = -4988,
    duplicateScrapFlavorErr = -4989,
    badScrapRefErr = -4990,
    processStateIncorrectErr = -4991,
    illegalScrapFlavorFlagsErr = -4997,
    illegalScrapFlavorTypeErr = -4998,
    illegalScrapFlavorSizeErr = -4999,
    scrapFlavorNotFoundErr = -102
};

// The current generation of the clipboard.
OSStatus GetCurrentScrap(ScrapRef* scrap);
// Empties the clipboard: a new, empty generation becomes current for every process.
OSStatus ClearCurrentScrap(void);
// Adds one flavor to the generation the ScrapRef names; duplicateScrapFlavorErr when it holds the
// type already, badScrapRefErr when that generation is no longer the current one. A size of 0 is
// allowed.
OSStatus PutScrapFlavor(ScrapRef scrap, ScrapFlavorType flavorType, ScrapFlavorFlags flavorFlags, Size flavorSize,
                        const void* flavorData);
OSStatus GetScrapFlavorCount(ScrapRef scrap, UInt32* infoCount);
// Fills at most *infoCount records in the clipboard's order and sets *infoCount to the number
// filled.
OSStatus GetScrapFlavorInfoList(ScrapRef scrap, UInt32* infoCount, ScrapFlavorInfo info[]);
OSStatus GetScrapFlavorSize(ScrapRef scrap, ScrapFlavorType flavorType, Size* byteCount);
// Copies at most *byteCount bytes of the flavor and sets *byteCount to the number copied.
OSStatus GetScrapFlavorData(ScrapRef scrap, ScrapFlavorType flavorType, Size* byteCount, void* destination);

#ifdef __cplusplus
}
#endif
