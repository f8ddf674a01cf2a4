#include "config/builtin_product.h"

// ".tgz" shares name and icon with ".gz".
const BuiltinFileType kBuiltinFileTypes[kBuiltinFileTypeCount] = {
    {".arj", "quorbex.arj", "Arj", -13},
    {".boo", "quorbex.boo", "Btoa", -117},
    {".frz", "quorbex.frz", "Freeze", -20},
    {".gz", "quorbex.gz", "Gnu Zip", -7},
    {".hqx", "quorbex.hqx", "BinHex", -11},
    {".lzh", "quorbex.lzh", "LHarc", -12},
    {".mme", "quorbex.mme", "Mime", -17},
    {".msc", "quorbex.msc", "MS Compress", -120},
    {".pak", "quorbex.pak", "Quake Pack", -118},
    {".rar", "quorbex.rar", "Rar", -121},
    {".sit", "quorbex.sit", "StuffIt", -5},
    {".tar", "quorbex.tar", "Tar", -8},
    {".tgz", "quorbex.tgz", "Gnu Zip", -7},
    {".uue", "quorbex.uue", "UUEncode", -10},
    {".xxe", "quorbex.xxe", "XXEncode", -154},
    {".z", "quorbex.z", "Compress", -9},
    {".zip", "quorbex.zip", "Zip", -3},
    {".zoo", "quorbex.zoo", "Zoo", -19},
};

const BuiltinSoundEvent kBuiltinSoundEvents[kBuiltinSoundEventCount] = {
    {"TORVQBOperationCompleteFail", "Complete Fail", "\x8E\xB8\x94\x73"},
    {"TORVQBOperationCompleteSuccess", "Complete Success", "\x90\xAC\x8C\xF7"},
};
