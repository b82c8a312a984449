-- "LUFS Int." to -23 in Standard mode: 21 s of playback analyse, the stop ends the
-- analysis; the session is saved, then exported as it now plays.
dofile(os.getenv("SCRIPTS") .. "/common.lua")
open_session()
local insert = plugin_insert()
assert(ARDOUR.LuaAPI.set_plugin_insert_param(insert, param(insert, "Measure"), 4)) -- "LUFS Int."
assert(ARDOUR.LuaAPI.set_plugin_insert_param(insert, param(insert, "Target Value"), -23))
-- "Analyze" is switched off, then on: a start Ardour's LV2 host cannot miss. LV2 gives the
-- plug-in no way to change a control port the host owns, so after a reopen Ardour still
-- holds the port value it saved (on) while the restored state has the analysis off, and
-- writing "on" again would change nothing. With VST3, Ardour reads the restored value.
local analyze = param(insert, "Analyze")
assert(ARDOUR.LuaAPI.set_plugin_insert_param(insert, analyze, 0))
ARDOUR.LuaAPI.usleep(200000)
assert(ARDOUR.LuaAPI.set_plugin_insert_param(insert, analyze, 1))
Session:request_locate(0, false, ARDOUR.LocateTransportDisposition.MustStop, ARDOUR.TransportRequestSource.TRS_UI)
ARDOUR.LuaAPI.usleep(500000)
Session:request_roll(ARDOUR.TransportRequestSource.TRS_UI)
ARDOUR.LuaAPI.usleep(21000000)
Session:request_stop(false, false, ARDOUR.TransportRequestSource.TRS_UI)
ARDOUR.LuaAPI.usleep(1000000)
show("analysed")
-- Saved before the export: Ardour's headless export has been seen to corrupt its own heap.
Session:save_state("", false, false, false, false, false)
export("saved")
close_session()
