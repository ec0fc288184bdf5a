"""A user of the module as a type checker sees it (mypy --strict): it must
check cleanly, and the faults in BAD_USES must each be reported."""

import pathlib

import vantrel


def crop_width(path: pathlib.Path) -> float:
    report: vantrel.PairsReport = vantrel.pairs(path, mode=15, unit="pt")
    for pair in report["pairs"]:
        if pair["key"] == "CropWidth":
            return float(pair["value"])
    return 0.0


def title(data: bytes) -> str:
    report = vantrel.rules(data, skip=1, name="job.ps")
    if report["scan"] != "ok":
        return report.get("error", "")
    for prop in report["rules"][-1]["properties"]:
        if prop["name"] == "Title":
            return prop["value"]
    return ""


print(crop_width(pathlib.Path("job.ps")), title(b""),
      vantrel.library_version())
