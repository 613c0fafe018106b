"""Tests of the Python package xalt1 (run by `make test` with PYTHONPATH=build/python)."""

import pathlib

import pytest

import xalt1

ROOT = pathlib.Path(__file__).resolve().parents[2]

# Fluids of every class of the shipped table: polar refrigerant, quadrupolar, nonpolar
# alkane, simple fluid, hydrogen-bonding.
FLUIDS = ("R1234yf", "CO2", "n-Pentane", "Argon", "Ammonia")


@pytest.fixture(scope="session")
def load():
    """load(code, units): a fluid of the shipped table, loaded once per session."""
    cache = {}

    def get(code, units="molar"):
        if (code, units) not in cache:
            cache[code, units] = xalt1.Fluid(code, units=units)
        return cache[code, units]

    return get
