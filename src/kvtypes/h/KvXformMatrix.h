#pragma once

#include <KvTypesExport.h>

#include <cstddef>

// A 4x4 homogeneous transform acting on column vectors: p' = M p, the
// translation in the last column. a * b applies b first, then a.
class KV_TYPES_EXPORT KvXformMatrix {
public:
    KvXformMatrix();  // identity
    // Row-major, 16 values.
    explicit KvXformMatrix(const double values[16]);

    static KvXformMatrix identity() { return KvXformMatrix(); }
    static KvXformMatrix translation(double x, double y, double z);
    static KvXformMatrix scaling(double x, double y, double z);
    // Right-handed rotation by `radians` about the axis (need not be unit).
    static KvXformMatrix rotation(double radians, double ax, double ay, double az);

    // Row and column 0..3; throws KvExcept out of range.
    double get(size_t row, size_t column) const;
    void set(size_t row, size_t column, double value);
    const double* data() const { return &m_[0][0]; }

    bool isIdentity() const;
    KvXformMatrix operator*(const KvXformMatrix& o) const;
    KvXformMatrix& operator*=(const KvXformMatrix& o) { return *this = *this * o; }
    // The inverse; the identity with *ok false when the matrix is singular.
    KvXformMatrix inverse(bool* ok = nullptr) const;

    // In place; a point takes the translation, a vector does not.
    void transformPoint(double p[3]) const;
    void transformVector(double v[3]) const;

    // Exact comparison.
    bool operator==(const KvXformMatrix& o) const;
    bool operator!=(const KvXformMatrix& o) const { return !(*this == o); }

private:
    double m_[4][4];
};
