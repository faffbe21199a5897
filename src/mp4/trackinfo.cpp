#include "mp4/trackinfo.h"

namespace mp4 {

Matrix identityMatrix()
{
    Matrix m{};
    m[1] = 0x01;   // a = 1.0
    m[17] = 0x01;  // d = 1.0
    m[32] = 0x40;  // w = 1.0 (2.30)
    return m;
}

}  // namespace mp4
