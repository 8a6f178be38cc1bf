// Entry points bound from libavfilter, in binding order.
#pragma once

#define VVC_AVFILTER_ENTRIES(F, V)             \
  F(av_buffersink_get_ch_layout)               \
  F(av_buffersink_get_format)                  \
  F(av_buffersink_get_frame)                   \
  F(av_buffersink_get_frame_flags)             \
  F(av_buffersink_get_frame_rate)              \
  F(av_buffersink_get_h)                       \
  F(av_buffersink_get_sample_aspect_ratio)     \
  F(av_buffersink_get_sample_rate)             \
  F(av_buffersink_get_time_base)               \
  F(av_buffersink_get_w)                       \
  F(av_buffersink_set_frame_size)              \
  F(av_buffersrc_add_frame_flags)              \
  F(av_buffersrc_parameters_alloc)             \
  F(av_buffersrc_parameters_set)               \
  F(av_filter_iterate)                         \
  F(avfilter_get_by_name)                      \
  F(avfilter_graph_alloc)                      \
  F(avfilter_graph_alloc_filter)               \
  F(avfilter_graph_config)                     \
  F(avfilter_graph_create_filter)              \
  F(avfilter_graph_free)                       \
  F(avfilter_graph_parse_ptr)                  \
  F(avfilter_init_dict)                        \
  F(avfilter_init_str)                         \
  F(avfilter_inout_alloc)                      \
  F(avfilter_inout_free)                       \
  F(avfilter_link)                             \
  F(avfilter_version)
