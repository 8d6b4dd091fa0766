#include <KvXformMatrix.h>

#include <KvExcept.h>

#include <algorithm>
#include <cmath>
#include <utility>

KvXformMatrix::KvXformMatrix() {
    for (size_t r = 0; r < 4; ++r)
        for (size_t c = 0; c < 4; ++c)
            m_[r][c] = r == c ? 1.0 : 0.0;
}

KvXformMatrix::KvXformMatrix(const double values[16]) {
    for (size_t i = 0; i < 16; ++i)
        m_[i / 4][i % 4] = values[i];
}

KvXformMatrix KvXformMatrix::translation(double x, double y, double z) {
    KvXformMatrix t;
    t.m_[0][3] = x;
    t.m_[1][3] = y;
    t.m_[2][3] = z;
    return t;
}

KvXformMatrix KvXformMatrix::scaling(double x, double y, double z) {
    KvXformMatrix s;
    s.m_[0][0] = x;
    s.m_[1][1] = y;
    s.m_[2][2] = z;
    return s;
}

KvXformMatrix KvXformMatrix::rotation(double radians, double ax, double ay, double az) {
    double len = std::sqrt(ax * ax + ay * ay + az * az);
    if (len == 0.0) return KvXformMatrix();
    double x = ax / len, y = ay / len, z = az / len;
    double c = std::cos(radians), s = std::sin(radians), t = 1.0 - c;
    KvXformMatrix r;
    r.m_[0][0] = t * x * x + c;
    r.m_[0][1] = t * x * y - s * z;
    r.m_[0][2] = t * x * z + s * y;
    r.m_[1][0] = t * x * y + s * z;
    r.m_[1][1] = t * y * y + c;
    r.m_[1][2] = t * y * z - s * x;
    r.m_[2][0] = t * x * z - s * y;
    r.m_[2][1] = t * y * z + s * x;
    r.m_[2][2] = t * z * z + c;
    return r;
}

double KvXformMatrix::get(size_t row, size_t column) const {
    if (row > 3 || column > 3) throw KvExcept::boundsError("KvXformMatrix::get");
    return m_[row][column];
}

void KvXformMatrix::set(size_t row, size_t column, double value) {
    if (row > 3 || column > 3) throw KvExcept::boundsError("KvXformMatrix::set");
    m_[row][column] = value;
}

bool KvXformMatrix::isIdentity() const { return *this == KvXformMatrix(); }

KvXformMatrix KvXformMatrix::operator*(const KvXformMatrix& o) const {
    KvXformMatrix p;
    for (size_t r = 0; r < 4; ++r)
        for (size_t c = 0; c < 4; ++c) {
            double sum = 0.0;
            for (size_t k = 0; k < 4; ++k)
                sum += m_[r][k] * o.m_[k][c];
            p.m_[r][c] = sum;
        }
    return p;
}

KvXformMatrix KvXformMatrix::inverse(bool* ok) const {
    // Gauss-Jordan elimination with partial pivoting on [M | I].
    double a[4][8];
    for (size_t r = 0; r < 4; ++r)
        for (size_t c = 0; c < 4; ++c) {
            a[r][c] = m_[r][c];
            a[r][c + 4] = r == c ? 1.0 : 0.0;
        }
    double scale = 0.0;
    for (size_t r = 0; r < 4; ++r)
        for (size_t c = 0; c < 4; ++c)
            scale = std::max(scale, std::fabs(m_[r][c]));
    const double tiny = scale * 1e-14;
    for (size_t col = 0; col < 4; ++col) {
        size_t pivot = col;
        for (size_t r = col + 1; r < 4; ++r)
            if (std::fabs(a[r][col]) > std::fabs(a[pivot][col])) pivot = r;
        if (!(std::fabs(a[pivot][col]) > tiny)) {
            if (ok) *ok = false;
            return KvXformMatrix();
        }
        if (pivot != col) std::swap(a[pivot], a[col]);
        double inv = 1.0 / a[col][col];
        for (size_t c = 0; c < 8; ++c)
            a[col][c] *= inv;
        for (size_t r = 0; r < 4; ++r) {
            if (r == col || a[r][col] == 0.0) continue;
            double f = a[r][col];
            for (size_t c = 0; c < 8; ++c)
                a[r][c] -= f * a[col][c];
        }
    }
    KvXformMatrix out;
    for (size_t r = 0; r < 4; ++r)
        for (size_t c = 0; c < 4; ++c)
            out.m_[r][c] = a[r][c + 4];
    if (ok) *ok = true;
    return out;
}

void KvXformMatrix::transformPoint(double p[3]) const {
    double q[4];
    for (size_t r = 0; r < 4; ++r)
        q[r] = m_[r][0] * p[0] + m_[r][1] * p[1] + m_[r][2] * p[2] + m_[r][3];
    double w = q[3] != 0.0 ? q[3] : 1.0;
    for (size_t i = 0; i < 3; ++i)
        p[i] = q[i] / w;
}

void KvXformMatrix::transformVector(double v[3]) const {
    double q[3];
    for (size_t r = 0; r < 3; ++r)
        q[r] = m_[r][0] * v[0] + m_[r][1] * v[1] + m_[r][2] * v[2];
    for (size_t i = 0; i < 3; ++i)
        v[i] = q[i];
}

bool KvXformMatrix::operator==(const KvXformMatrix& o) const {
    for (size_t r = 0; r < 4; ++r)
        for (size_t c = 0; c < 4; ++c)
            if (m_[r][c] != o.m_[r][c]) return false;
    return true;
}
