"""Writes the benchmark fixture: one database, Bench, whose table dbo.Sales
has the given number of rows (one million unless told), generated row by row
when read so the server never holds them.

  python3 testserver/make_bench_fixture.py [--rows N] > bench.json
"""
import argparse
import json
import sys

COLUMNS = [
    {"name": "SaleID", "type": "int", "nullable": False, "identity": True},
    {"name": "CustomerCode", "type": "char(5)", "nullable": False},
    {"name": "Product", "type": "varchar(40)", "nullable": False},
    {"name": "Quantity", "type": "smallint", "nullable": False, "default": "((1))"},
    {"name": "UnitPrice", "type": "decimal(12,2)", "nullable": False},
    {"name": "Discount", "type": "float"},
    {"name": "SoldAt", "type": "datetime", "nullable": False, "default": "(getdate())"},
    {"name": "Paid", "type": "bit", "nullable": False, "default": "((0))"},
    {"name": "Comment", "type": "nvarchar(50)"},
]
GENERATORS = {
    "SaleID": {"seq": 1},
    "CustomerCode": {"format": "C{n3:04d}"},
    "Product": {"cycle": ["Stockfish 1 kg", "Dried cod, grade A", "Herring in brine",
                          "Smoked salmon 200 g", "Fish balls", "Cod liver oil 0.5 l",
                          "Klippfisk", "Lutefisk", "Brown cheese", "Crispbread"]},
    "Quantity": {"mod": 100, "offset": 1},
    "UnitPrice": {"cycle": ["9.99", "120.00", "0.50", "15999.95"]},
    "Discount": {"cycle": [0.0, 0.05, 0.125], "null_every": 10},
    "SoldAt": {"date_from": "2004-01-01 08:00:00", "step_minutes": 1},
    "Paid": {"cycle": [1, 0, 1, 1]},
    "Comment": {"cycle": ["ok", "levert", "på lager", ""], "null_every": 5},
}


def fixture(rows):
    return {
        "server": {"name": "BENCH01", "logins": {"quill": "Secret-1"}},
        "databases": [{"name": "Bench", "tables": [{
            "owner": "dbo", "name": "Sales", "columns": COLUMNS,
            "primary_key": {"name": "PK_Sales", "columns": ["SaleID"]},
            "indexes": [{"name": "IX_Sales_Customer", "columns": ["CustomerCode"]}],
            "generate": {"rows": rows, "columns": GENERATORS}}]}]}


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--rows", type=int, default=1000000)
    args = ap.parse_args()
    json.dump(fixture(args.rows), sys.stdout, indent=1, ensure_ascii=False)
    sys.stdout.write("\n")


if __name__ == "__main__":
    main()
