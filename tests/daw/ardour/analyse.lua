-- "LUFS Int." to -23 in Standard mode: 21 s of playback analyse, the stop ends the
-- analysis; the session is saved, then exported as it now plays.
dofile(os.getenv("SCRIPTS") .. "/common.lua")
open_session()
local insert = plugin_insert()
ARDOUR.LuaAPI.set_plugin_insert_param(insert, 2, 4)   -- Measure: "LUFS Int."
ARDOUR.LuaAPI.set_plugin_insert_param(insert, 3, -23) -- Target Value
ARDOUR.LuaAPI.set_plugin_insert_param(insert, 5, 1)   -- Analyze
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
