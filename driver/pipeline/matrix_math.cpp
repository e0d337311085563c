#include "matrix_math.h"

namespace {

void copyMatrix(const Matrix4 from, Matrix4 to) {
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            to[i][j] = from[i][j];
        }
    }
}

// m <- m x op
void postMultiply(Matrix4 m, const Matrix4 op) {
    multiplyMatrix(op, m, m);
}

}  // namespace

void identityMatrix(Matrix4 m) {
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            m[i][j] = (i == j) ? 1.0 : 0.0;
        }
    }
}

void multiplyMatrix(const Matrix4 p, const Matrix4 q, Matrix4 d) {
    Matrix4 product;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k) {
                sum += q[i][k] * p[k][j];
            }
            product[i][j] = sum;
        }
    }
    copyMatrix(product, d);
}

Point3 transformPoint(const Matrix4 m, double x, double y, double z) {
    Point3 out;
    out.x = x * m[0][0] + y * m[1][0] + z * m[2][0] + m[3][0];
    out.y = x * m[0][1] + y * m[1][1] + z * m[2][1] + m[3][1];
    out.z = x * m[0][2] + y * m[1][2] + z * m[2][2] + m[3][2];
    return out;
}

void offsetAll(Matrix4 m, double v) {
    Matrix4 op;
    identityMatrix(op);
    op[3][0] = v;
    op[3][1] = v;
    op[3][2] = v;
    postMultiply(m, op);
}

void rotateX(Matrix4 m, double s, double c) {
    Matrix4 op;
    identityMatrix(op);
    op[1][1] = c;
    op[1][2] = s;
    op[2][1] = -s;
    op[2][2] = c;
    postMultiply(m, op);
}

void rotateY(Matrix4 m, double s, double c) {
    Matrix4 op;
    identityMatrix(op);
    op[0][0] = c;
    op[0][2] = -s;
    op[2][0] = s;
    op[2][2] = c;
    postMultiply(m, op);
}

void rotateZ(Matrix4 m, double s, double c) {
    Matrix4 op;
    identityMatrix(op);
    op[0][0] = c;
    op[0][1] = s;
    op[1][0] = -s;
    op[1][1] = c;
    postMultiply(m, op);
}

void shearZ(Matrix4 m, double dx, double dy) {
    Matrix4 op;
    identityMatrix(op);
    op[0][2] = dx;
    op[1][2] = dy;
    postMultiply(m, op);
}
