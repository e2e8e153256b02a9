# SPDX-License-Identifier: GPL-3.0-or-later
# QB50p1 and QB50p2 housekeeping beacons, as a Kaitai Struct description:
# what the built-in decoder reads, told the way the SatNOGS community tells its
# satellites, for the README's example and the benchmarks. Frames are the
# AX.25 frames of the beacons; the values are the built-in decoder's.
meta:
  id: qb50
  title: QB50p1 and QB50p2 housekeeping beacons
  endian: le
doc: |
  :field satellite: satellite
  :field kind: kind
  :field ops_mode: body.ops_mode
  :field boot_cnt: body.boot_cnt
  :field packet_cnt: body.packet_cnt
  :field cmd_rx: body.cmd_rx
  :field cmd_valid: body.cmd_valid
  :field sat_uptime: body.sat_uptime
  :field doppler: body.doppler
  :field rssi: body.rssi
  :field refl_pow: body.refl_pow
  :field forw_pow: body.forw_pow
  :field tx_curr: body.tx_curr
  :field rx_curr: body.rx_curr
  :field pa_temp: body.pa_temp
  :field bus_voltage: body.bus_voltage
  :field depl_side_a: body.depl_side_a
  :field temp_side_a: body.temp_side_a
  :field depl_side_b: body.depl_side_b
  :field temp_side_b: body.temp_side_b
  :field sp1_volts: body.sp1_volts
  :field sp2_volts: body.sp2_volts
  :field sp3_volts: body.sp3_volts
  :field batt_volts: body.batt_volts
  :field sp1_curr: body.sp1_curr
  :field sp2_curr: body.sp2_curr
  :field sp3_curr: body.sp3_curr
  :field solar_curr: body.solar_curr
  :field total1_curr: body.total1_curr
  :field v3v3_n1_curr: body.v3v3_n1_curr
  :field v3v3_n2_curr: body.v3v3_n2_curr
  :field v3v3_n3_curr: body.v3v3_n3_curr
  :field v5v_n1_curr: body.v5v_n1_curr
  :field v5v_n2_curr: body.v5v_n2_curr
  :field v5v_n3_curr: body.v5v_n3_curr
  :field temp_bc_n1: body.temp_bc_n1
  :field temp_bc_n2: body.temp_bc_n2
  :field temp_bc_n3: body.temp_bc_n3
  :field batt_temp: body.batt_temp
  :field ch_status: body.ch_status
  :field eps_boot: body.eps_boot
  :field eps_mode: body.eps_mode
  :field eps_track: body.eps_track
  :field temp_sp0: body.temp_sp0
  :field temp_sp1: body.temp_sp1
  :field temp_sp2: body.temp_sp2
  :field temp_sp3: body.temp_sp3
  :field temp_sp4: body.temp_sp4
  :field ops_mode_2: body.ops_mode_2
  :field boot_cnt_2: body.boot_cnt_2
  :field packet_cnt_2: body.packet_cnt_2
  :field cmd_rx_2: body.cmd_rx_2
  :field cmd_valid_2: body.cmd_valid_2
  :field sat_uptime_2: body.sat_uptime_2
  :field obc_sv_status: body.obc_sv_status
  :field obc_sv_uptime: body.obc_sv_uptime
  :field obc_uptime: body.obc_uptime
  :field reset_count: body.reset_count
  :field sv_temp: body.sv_temp
  :field v3v3_in: body.v3v3_in
  :field v3v3_supply: body.v3v3_supply
  :field v2v5_ref: body.v2v5_ref
  :field v1v8_supply: body.v1v8_supply
  :field v1v0_supply: body.v1v0_supply
  :field v3v3_curr: body.v3v3_curr
  :field v1v8_curr: body.v1v8_curr
  :field v1v0_curr: body.v1v0_curr
  :field rtc_supply: body.rtc_supply
  :field sf_trigger: body.sf_trigger
  :field sf_uptime: body.sf_uptime
  :field epoch: body.epoch
  :field adcs_mode: body.adcs_mode
  :field switch_state: body.switch_state
  :field adcs_emode: body.adcs_emode
  :field adcs_ctrmode: body.adcs_ctrmode
  :field adcs_flag1: body.adcs_flag1
  :field adcs_flag2: body.adcs_flag2
  :field adcs_flag3: body.adcs_flag3
  :field adcs_flag4: body.adcs_flag4
  :field adcs_flag5: body.adcs_flag5
  :field rate_x: body.rate_x
  :field rate_y: body.rate_y
  :field rate_z: body.rate_z
  :field ang_rate_y: body.ang_rate_y
  :field mag_x: body.mag_x
  :field mag_y: body.mag_y
  :field mag_z: body.mag_z
  :field sunsens_1: body.sunsens_1
  :field sunsens_2: body.sunsens_2
  :field sunsens_3: body.sunsens_3
  :field sunsens_4: body.sunsens_4
  :field sunsens_5: body.sunsens_5
  :field sunsens_6: body.sunsens_6
  :field cs_3v3_curr: body.cs_3v3_curr
  :field nadsram_curr: body.nadsram_curr
  :field sunsram_curr: body.sunsram_curr
  :field cc3v3_curr: body.cc3v3_curr
  :field cc5v_curr: body.cc5v_curr
  :field ccbat_curr: body.ccbat_curr
  :field magnq_curr: body.magnq_curr
  :field wheel_curr: body.wheel_curr
  :field rs_temp: body.rs_temp
  :field cpu_temp: body.cpu_temp
seq:
  - id: destination
    size: 6
    process: ror(1)
    type: callsign
  - id: destination_ssid
    type: u1
  - id: source
    size: 6
    process: ror(1)
    type: callsign
  - id: source_ssid
    type: u1
  - id: control
    type: u1
    valid: 0x03
  - id: protocol
    type: u1
    valid: 0xf0
  - id: spare
    type: u1
  - id: satellite
    type: u1
  - id: kind
    type: u1
    enum: packet_kinds
  - id: spare2
    type: u1
  - id: body
    type:
      switch-on: kind
      cases:
        packet_kinds::general: packet1
        packet_kinds::platform: packet2
enums:
  packet_kinds:
    1: general
    2: platform
types:
  callsign:
    seq:
      - id: call
        type: str
        size: 6
        encoding: ASCII
        valid:
          any-of:
            - '"QB50P1"'
            - '"QB50P2"'
  packet1:
    seq:
      - id: ops_mode
        type: u1
      - id: boot_cnt
        type: u2
      - id: packet_cnt
        type: u2
      - id: cmd_rx
        type: u1
      - id: cmd_valid
        type: u1
      - id: sat_uptime
        type: u4
      - id: unused1
        size: 3
      - id: doppler
        type: u2
      - id: rssi
        type: u2
      - id: refl_pow_raw
        type: u2
      - id: forw_pow_raw
        type: u2
      - id: tx_curr_raw
        type: u2
      - id: rx_curr_raw
        type: u2
      - id: pa_temp_raw
        type: u2
      - id: bus_voltage_raw
        type: u2
      - id: depl_side_a
        type: u2
      - id: temp_side_a_raw
        type: u2
      - id: depl_side_b
        type: u2
      - id: temp_side_b_raw
        type: u2
      - id: sp1_volts
        type: u2
      - id: sp2_volts
        type: u2
      - id: sp3_volts
        type: u2
      - id: batt_volts
        type: u2
      - id: sp1_curr
        type: u2
      - id: sp2_curr
        type: u2
      - id: sp3_curr
        type: u2
      - id: solar_curr
        type: u2
      - id: total1_curr
        type: u2
      - id: v3v3_n1_curr
        type: u2
      - id: v3v3_n2_curr
        type: u2
      - id: v3v3_n3_curr
        type: u2
      - id: v5v_n1_curr
        type: u2
      - id: v5v_n2_curr
        type: u2
      - id: v5v_n3_curr
        type: u2
      - id: temp_bc_n1
        type: s2
      - id: temp_bc_n2
        type: s2
      - id: temp_bc_n3
        type: s2
      - id: batt_temp
        type: s2
      - id: ch_status
        type: u1
      - id: eps_boot
        type: u1
      - id: eps_mode
        type: u1
      - id: eps_track
        type: u1
      - id: temp_sp0_raw
        type: s2
      - id: temp_sp1_raw
        type: s2
      - id: temp_sp2_raw
        type: s2
      - id: temp_sp3_raw
        type: s2
      - id: temp_sp4_raw
        type: s2
    instances:
      refl_pow:
        value: refl_pow_raw * refl_pow_raw * 0.000239
      forw_pow:
        value: forw_pow_raw * forw_pow_raw * 0.000239
      tx_curr:
        value: tx_curr_raw * 0.395
      rx_curr:
        value: rx_curr_raw * 0.395
      pa_temp:
        value: pa_temp_raw * -0.2959 + 190.0
      bus_voltage:
        value: bus_voltage_raw * 0.016129
      temp_side_a:
        value: temp_side_a_raw * -0.2922 + 190.65
      temp_side_b:
        value: temp_side_b_raw * -0.2922 + 190.65
      temp_sp0:
        value: temp_sp0_raw * 0.015625
      temp_sp1:
        value: temp_sp1_raw * 0.015625
      temp_sp2:
        value: temp_sp2_raw * 0.015625
      temp_sp3:
        value: temp_sp3_raw * 0.015625
      temp_sp4:
        value: temp_sp4_raw * 0.015625
  packet2:
    seq:
      - id: ops_mode_2
        type: u1
      - id: boot_cnt_2
        type: u2
      - id: packet_cnt_2
        type: u2
      - id: cmd_rx_2
        type: u1
      - id: cmd_valid_2
        type: u1
      - id: sat_uptime_2
        type: u4
      - id: unused1
        size: 3
      - id: obc_sv_status
        type: u1
      - id: obc_sv_uptime
        type: u4
      - id: obc_uptime
        type: u4
      - id: reset_count
        type: u4
      - id: sv_temp_raw
        type: u2
      - id: v3v3_in_raw
        type: u2
      - id: v3v3_supply_raw
        type: u2
      - id: v2v5_ref_raw
        type: u2
      - id: v1v8_supply_raw
        type: u2
      - id: v1v0_supply_raw
        type: u2
      - id: v3v3_curr_raw
        type: u2
      - id: v1v8_curr_raw
        type: u2
      - id: v1v0_curr_raw
        type: u2
      - id: rtc_supply_raw
        type: u2
      - id: sf_trigger
        type: u1
      - id: sf_uptime
        type: u4
      - id: epoch
        type: u4
      - id: adcs_mode
        type: u1
      - id: switch_state
        type: u1
      - id: adcs_ctrmode
        type: b4
      - id: adcs_emode
        type: b4
      - id: adcs_flag1
        type: u1
      - id: adcs_flag2
        type: u1
      - id: adcs_flag3
        type: u1
      - id: adcs_flag4
        type: u1
      - id: adcs_flag5
        type: u1
      - id: rate_x_raw
        type: s2
      - id: rate_y_raw
        type: s2
      - id: rate_z_raw
        type: s2
      - id: ang_rate_y_raw
        type: s2
      - id: mag_x
        type: s2
      - id: mag_y
        type: s2
      - id: mag_z
        type: s2
      - id: sunsens_1
        type: u1
      - id: sunsens_2
        type: u1
      - id: sunsens_3
        type: u1
      - id: sunsens_4
        type: u1
      - id: sunsens_5
        type: u1
      - id: sunsens_6
        type: u1
      - id: cs_3v3_curr_raw
        type: u2
      - id: nadsram_curr_raw
        type: u2
      - id: sunsram_curr_raw
        type: u2
      - id: cc3v3_curr_raw
        type: u2
      - id: cc5v_curr_raw
        type: u2
      - id: ccbat_curr_raw
        type: u2
      - id: magnq_curr_raw
        type: u2
      - id: wheel_curr_raw
        type: u2
      - id: rs_temp
        type: u1
      - id: cpu_temp
        type: u1
    instances:
      sv_temp:
        value: sv_temp_raw * -0.2922 + 191.97
      v3v3_in:
        value: v3v3_in_raw * 4.888
      v3v3_supply:
        value: v3v3_supply_raw * 4.888
      v2v5_ref:
        value: v2v5_ref_raw * 2.444
      v1v8_supply:
        value: v1v8_supply_raw * 2.444
      v1v0_supply:
        value: v1v0_supply_raw * 2.444
      v3v3_curr:
        value: v3v3_curr_raw * 0.347
      v1v8_curr:
        value: v1v8_curr_raw * 0.122
      v1v0_curr:
        value: v1v0_curr_raw * 0.164
      rtc_supply:
        value: rtc_supply_raw * 4.888
      rate_x:
        value: rate_x_raw * 0.001
      rate_y:
        value: rate_y_raw * 0.001
      rate_z:
        value: rate_z_raw * 0.001
      ang_rate_y:
        value: ang_rate_y_raw * 0.001
      cs_3v3_curr:
        value: cs_3v3_curr_raw * 0.1
      nadsram_curr:
        value: nadsram_curr_raw * 0.1
      sunsram_curr:
        value: sunsram_curr_raw * 0.1
      cc3v3_curr:
        value: cc3v3_curr_raw * 0.1
      cc5v_curr:
        value: cc5v_curr_raw * 0.1
      ccbat_curr:
        value: ccbat_curr_raw * 0.1
      magnq_curr:
        value: magnq_curr_raw * 0.1
      wheel_curr:
        value: wheel_curr_raw * 0.1
