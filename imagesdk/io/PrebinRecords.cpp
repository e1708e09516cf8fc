#include "imagesdk/io/PrebinRecords.h"

namespace isImageSDK {

void matrixToRows(const cocos2d::Mat4& matrix, float (&rows)[16]) {
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            rows[row * 4 + column] = matrix.m[column * 4 + row];
        }
    }
}

cocos2d::Mat4 matrixFromRows(const float (&rows)[16]) {
    cocos2d::Mat4 matrix;
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            matrix.m[column * 4 + row] = rows[row * 4 + column];
        }
    }
    return matrix;
}

}  // namespace isImageSDK
