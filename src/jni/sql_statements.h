// The text of every SQL statement the application runs, one constant list per table and
// native method. A statement's code is its position in the list, counted from 1. The texts
// are returned character for character as they stand here, spacing and case included
// ("VALUES(" next to "VALUES (", the lower-case "where" of table E, "D Like ?" in the search
// of table I, the update of table I without its ";").
#pragma once

#include <string_view>

namespace veltrane::sql {

// clang-format off
// g101: table M, codes 1 to 4.
inline constexpr std::u16string_view kTableM[] = {
    u"SELECT * FROM M;",
    u"INSERT INTO M (A,B,C,D,E,F,G,H,I,J,K,L,M,N,O,P) VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?);",
    u"UPDATE M SET A=?,B=?,C=?,D=?,E=?,F=?,G=?,H=?,I=?,J=?,K=?,L=?,M=?,N=?,O=?,P=?;",
    u"DELETE FROM M;",
};

// g102: table G, codes 1 to 5.
inline constexpr std::u16string_view kTableG[] = {
    u"SELECT * FROM G WHERE A=?;",
    u"INSERT INTO G (A,B,C,D,E) VALUES(?,?,?,?,?);",
    u"UPDATE G SET C=?,D=?,E=? WHERE A=? AND B=?;",
    u"DELETE FROM G WHERE A=?;",
    u"SELECT * FROM G WHERE A=? AND D=FALSE AND E < ?;",
};

// g103: table F, codes 1 to 8.
inline constexpr std::u16string_view kTableF[] = {
    u"SELECT * FROM F WHERE A=?;",
    u"SELECT * FROM F ORDER BY D DESC;",
    u"SELECT * FROM F WHERE D <= ? ORDER BY D ASC;",
    u"SELECT MAX(A) FROM F;",
    u"INSERT INTO F (A,B,C,D,E,F) VALUES(?,?,?,?,?,?);",
    u"UPDATE F SET B=?,C=?,D=?,E=?,F=? WHERE A=?;",
    u"DELETE FROM F WHERE A=?;",
    u"SELECT DISTINCT F.* FROM F,G WHERE F.A=G.A AND (F.B LIKE ? OR G.B LIKE ?) ORDER BY F.D DESC;",
};

// g104: table K, codes 1 to 5.
inline constexpr std::u16string_view kTableK[] = {
    u"SELECT * FROM K WHERE A=? AND B=?;",
    u"INSERT INTO K (A,B,C,D,E) VALUES (?,?,?,?,?);",
    u"UPDATE K SET C=?,D=?,E=? WHERE A=? AND B=?;",
    u"DELETE FROM K WHERE A=? AND B=?;",
    u"SELECT * FROM K WHERE A=?;",
};

// g105: table C, codes 1 to 8.
inline constexpr std::u16string_view kTableC[] = {
    u"SELECT * FROM C WHERE A=? AND B = ?;",
    u"INSERT INTO C (A,B,C,D,E,F,G,H,I,J,K) VALUES (?,?,?,?,?,?,?,?,?,?,?);",
    u"UPDATE C SET C = ?,D = ?,E = ?,F = ?,G=?,H=?,I=?,J=?,K=? WHERE A=? AND B = ?;",
    u"DELETE FROM C WHERE A=? AND B = ?;",
    u"SELECT * FROM C WHERE A=? AND C='M';",
    u"SELECT * FROM C WHERE A=?;",
    u"SELECT F FROM C WHERE A=? AND F IS NOT NULL;",
    u"SELECT F FROM C WHERE A=? AND B=? AND F IS NOT NULL;",
};

// g106: table B, codes 1 to 7.
inline constexpr std::u16string_view kTableB[] = {
    u"SELECT * FROM B WHERE A=? AND B=?;",
    u"SELECT * FROM B WHERE A=? AND B LIKE ?;",
    u"SELECT * FROM B WHERE A=?;",
    u"INSERT INTO B (A,B,C,D,E) VALUES(?,?,?,?,?);",
    u"UPDATE B SET C=?,D=?,E=? WHERE A=? AND B=?;",
    u"UPDATE B SET B=? WHERE A=? AND B=?;",
    u"DELETE FROM B WHERE A=? AND B=?;",
};

// g107: table L, codes 1 to 10.
inline constexpr std::u16string_view kTableL[] = {
    u"SELECT * FROM L WHERE A=? AND B=? ORDER BY E DESC;",
    u"INSERT INTO L (A,B,C,D,E,F,G,H) VALUES(?,?,?,?,?,?,?,?);",
    u"UPDATE L SET C=?,D=?,F=?,G=?,H=? WHERE A=? AND B=? AND E=?;",
    u"DELETE FROM L WHERE A=? AND B=? AND E=?;",
    u"SELECT COUNT(*) FROM L WHERE A=? AND B=?;",
    u"SELECT COUNT(*) FROM L WHERE A=? AND B=? AND H=FALSE;",
    u"SELECT COUNT(*) FROM L WHERE A=? AND H=FALSE;",
    u"SELECT * FROM L WHERE A=? AND B=? AND (C LIKE ? OR D LIKE ?) ORDER BY E DESC;",
    u"SELECT G FROM L WHERE A=? AND G IS NOT NULL;",
    u"SELECT G FROM L WHERE A=? AND B=? AND G IS NOT NULL;",
};

// g108: table E, codes 1 to 7.
inline constexpr std::u16string_view kTableE[] = {
    u"SELECT * FROM E where A = ?;",
    u"SELECT * FROM E;",
    u"INSERT INTO E (A,B) VALUES(?,?);",
    u"UPDATE E SET B = ? WHERE A = ?;",
    u"UPDATE E SET A = ?,B = ? WHERE A = ?;",
    u"DELETE FROM E WHERE A = ?;",
    u"SELECT * FROM E where A LIKE ?;",
};

// g109: table J, codes 1 to 4.
inline constexpr std::u16string_view kTableJ[] = {
    u"SELECT * FROM J;",
    u"INSERT INTO J (A,B,C,D,E,F,G) VALUES (?,?,?,?,?,?,?);",
    u"UPDATE J SET A = ?,B = ?,C = ?,D = ?,E = ?,F = ?,G = ?;",
    u"DELETE FROM J;",
};

// g110: table H, codes 1 to 7.
inline constexpr std::u16string_view kTableH[] = {
    u"SELECT * FROM H WHERE A = ? ORDER BY I DESC;",
    u"SELECT * FROM H ORDER BY I DESC;",
    u"INSERT INTO H (A,B,C,D,E,F,G,H,I) VALUES (?,?,?,?,?,?,?,?,?);",
    u"UPDATE H SET B = ?,C = ?,D = ?,E = ?,F = ?,G = ?,H = ?,I = ? WHERE A=?;",
    u"DELETE FROM H WHERE A=?;",
    u"SELECT MAX(A) FROM H;",
    u"SELECT * FROM H WHERE B LIKE ? ORDER BY I DESC;",
};

// g111: table I, codes 1 to 6.
inline constexpr std::u16string_view kTableI[] = {
    u"SELECT * FROM I WHERE A=?;",
    u"INSERT INTO I (A,B,C,D,E) VALUES (?,?,?,?,?);",
    u"UPDATE I SET A = ?, B = ?,C = ?,D = ?,E = ? WHERE A = ?",
    u"DELETE FROM I WHERE A=?;",
    u"SELECT * FROM I ORDER BY A;",
    u"SELECT * FROM I WHERE A LIKE ? OR B LIKE ? OR C LIKE ? OR D Like ? OR E LIKE ? ORDER BY A;",
};

// g112: table A, codes 1 to 6.
inline constexpr std::u16string_view kTableA[] = {
    u"SELECT * FROM A WHERE A=?;",
    u"SELECT MAX(A) FROM A;",
    u"INSERT INTO A (A,B) VALUES(?,?);",
    u"UPDATE A SET B=? WHERE A=?;",
    u"DELETE FROM A WHERE A=?;",
    u"SELECT * FROM A;",
};

// g113: table N, codes 1 to 5.
inline constexpr std::u16string_view kTableN[] = {
    u"SELECT * FROM N WHERE A=?;",
    u"INSERT INTO N (A,B) VALUES (?,?);",
    u"UPDATE N SET B = ? WHERE A = ?;",
    u"DELETE FROM N WHERE A=?;",
    u"SELECT * FROM N;",
};
// clang-format on

}  // namespace veltrane::sql
