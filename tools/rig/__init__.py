"""Tooling that runs the Windows programs under Wine, for the demo, the
checks and the benchmarks alike.

  rig.wine         the one Wine environment (prefix, locale, debug channels,
                   DLL overrides), the architectures and where their programs
                   live, the prefix made or brought up to date
  rig.session      Rig: a Wine session with the host stand-in, the plug-in
                   host, Rolemark and the UI driver (uidriver.exe)
  rig.story_model  what a formatting run should do to a story
  rig.demo         the demonstration run behind tools/demo

Scripts run through tools/with_wine (or tools/testrun.py) find this package
on PYTHONPATH.
"""
from rig.session import (HOST_TITLE, KEY, ROOT, SAMPLE_CAST, SAMPLE_PLAY, Host, Results, Rig, RigError, UiResult,
                         deadline_loop, unescape, wait_exit, winpath)

__all__ = ["HOST_TITLE", "KEY", "ROOT", "SAMPLE_CAST", "SAMPLE_PLAY", "Host", "Results", "Rig", "RigError",
           "UiResult", "deadline_loop", "unescape", "wait_exit", "winpath"]
