// 4 x 4 double matrices acting on row vectors (R, G, B, 1): output channel j
// is R*M[0][j] + G*M[1][j] + B*M[2][j] + M[3][j]. To post-multiply M by Op is
// to replace M by M x Op, so that Op acts after what M already does.
// Call only inside a saved floating-point state.
#pragma once

typedef double Matrix4[4][4];

void identityMatrix(Matrix4 m);

// d <- q x p, computed into a temporary so d may be p or q.
void multiplyMatrix(const Matrix4 p, const Matrix4 q, Matrix4 d);

struct Point3 {
    double x, y, z;
};
Point3 transformPoint(const Matrix4 m, double x, double y, double z);

// Post-multiplies by the identity with row 3 = (v, v, v, 1).
void offsetAll(Matrix4 m, double v);

// Post-multiplies by the rotations about the first, second and third axes
// given by sine s and cosine c.
void rotateX(Matrix4 m, double s, double c);
void rotateY(Matrix4 m, double s, double c);
void rotateZ(Matrix4 m, double s, double c);

// Post-multiplies by the shear with rows (1, 0, dx, 0), (0, 1, dy, 0),
// (0, 0, 1, 0), (0, 0, 0, 1): the third coordinate gains dx * x + dy * y.
void shearZ(Matrix4 m, double dx, double dy);
